#pragma once
// A stream over an open file. The three ways the program opens files:
//  - OpenReadDenyWrite: read only, for the source of a cut and the pieces of a rebuild;
//  - OpenReadExclusive: read only, for the size probe;
//  - Create: read and write, the file created or emptied.
// POSIX has no sharing modes, so the two read modes open alike; what the
// sharing protected on other systems is guarded by file identity instead
// (the `refused` list below). A failed open raises EFOpenError, a failed
// create EFCreateError, each with the file name. Creating refuses a name that
// exists as anything but a regular file (pipe, device, socket).

#include "rtl/FileIdentity.h"
#include "rtl/TStream.h"

#include <string>

namespace scindra {

enum class TFileMode { OpenReadDenyWrite, OpenReadExclusive, Create };

class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, TFileMode mode);
    // As above, but the open or create fails, before any byte of the file is
    // touched, when the name designates one of the `refused` files.
    TFileStream(const std::string& fileName, TFileMode mode, const FileIdentities& refused);
    ~TFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override;
    void SetSize(int64_t size) override;

    const std::string& FileName() const { return fileName_; }
    int Handle() const { return handle_; }
    // A plain file, not a pipe, device, socket or folder.
    bool IsRegularFile() const;
    // Hands the open handle over to a caller that closes it itself (and so
    // can tell a failed close); the stream is left without a file.
    int Release();
    FileIdentity Identity() const { return IdentityOfHandle(handle_); }

private:
    void Open(TFileMode mode, const FileIdentities& refused);
    void Create(const FileIdentities& refused);
    [[noreturn]] void Fail(TFileMode mode);

    std::string fileName_;
    int handle_ = -1;
};

} // namespace scindra
