#pragma once
// A file dialog that answers by itself, for tests of anything that browses.
// While it lives it is the dialog every run gets; each run is recorded with
// the settings it was shown with, and the answer comes from Respond (by
// default: cancel).
//
//   AnsweringFileDialog dialog;
//   dialog.Respond = [](const FileDialogSettings&) { return FileDialogAnswer{{"/tmp/a"}}; };
//   ... press the button ...
//   EXPECT_EQ(dialog.Runs.size(), 1u);

#include "platform/FileDialog.h"

#include <vector>

namespace scindra {

class AnsweringFileDialog {
public:
    using Responder = std::function<std::optional<FileDialogAnswer>(const FileDialogSettings&)>;

    AnsweringFileDialog();
    ~AnsweringFileDialog();
    AnsweringFileDialog(const AnsweringFileDialog&) = delete;
    AnsweringFileDialog& operator=(const AnsweringFileDialog&) = delete;

    // Answers every run with these names (filter index and read-only state unchanged).
    void AnswerWith(const QStringList& files);
    // Cancels every run.
    void Cancel();

    Responder Respond;
    std::vector<FileDialogSettings> Runs;  // the settings of every run, in order
    std::vector<QWidget*> Parents;          // the parent of every run

private:
    std::optional<ScopedFileDialogFactory> installed_;
};

} // namespace scindra
