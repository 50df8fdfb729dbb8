#pragma once
// The failures of Scindra. Each kind carries the exact French text the user
// reads in the error box; the box itself adds the final period.

#include <exception>
#include <string>

namespace scindra {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const noexcept { return message_; }

private:
    std::string message_;
};

// Raised to end an action quietly: the guard shows nothing for it.
class EAbort : public Exception {
public:
    EAbort() : Exception(std::string()) {}
};

class EStreamError : public Exception {
    using Exception::Exception;
};

class EReadError : public EStreamError {
public:
    EReadError() : EStreamError("Erreur de lecture du flux") {}
};

class EWriteError : public EStreamError {
public:
    EWriteError() : EStreamError("Erreur d'écriture dans le flux") {}
    explicit EWriteError(const std::string& fileName)
        : EStreamError("Erreur d'écriture dans le fichier " + fileName) {}
};

class EFOpenError : public EStreamError {
public:
    explicit EFOpenError(const std::string& fileName)
        : EStreamError("Impossible d'ouvrir le fichier " + fileName) {}
};

class EFCreateError : public EStreamError {
public:
    explicit EFCreateError(const std::string& fileName)
        : EStreamError("Impossible de créer le fichier " + fileName) {}
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
    static EConvertError NotAnInteger(const std::string& text)
    {
        return EConvertError("'" + text + "' n'est pas une valeur entière correcte");
    }
    // A picture or persistent object asked to take the content of a class it
    // cannot convert (the source is "nil" when there is none).
    static EConvertError CannotAssign(const std::string& sourceClass, const std::string& targetClass)
    {
        return EConvertError("Impossible d'affecter " + sourceClass + " à " + targetClass);
    }
};

// An index outside a list.
class EListError : public Exception {
public:
    using Exception::Exception;
    static EListError IndexOutOfBounds(long long index)
    {
        return EListError("Index de liste hors limites (" + std::to_string(index) + ")");
    }
};

class EMathError : public Exception {
    using Exception::Exception;
};

class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Division par zéro en virgule flottante") {}
};

class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Opération en virgule flottante incorrecte") {}
};

class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Débordement en virgule flottante") {}
};

// A system resource the program asked for was refused (a timer, a handle).
class EOutOfResources : public Exception {
    using Exception::Exception;
};

// A piece count or size that cannot describe a cut (a pasted negative number).
class EInvalidArgument : public Exception {
public:
    using Exception::Exception;
    static EInvalidArgument NegativePieceCount(long long count)
    {
        return EInvalidArgument("Le nombre de morceaux ne peut pas être négatif (" + std::to_string(count) + ")");
    }
    static EInvalidArgument NegativePieceSize(long long size)
    {
        return EInvalidArgument("La taille des morceaux ne peut pas être négative (" + std::to_string(size) + ")");
    }
};

// The failure of the edits with an embedded button ("Nom de fichier incorrect - %s").
class EComboEditError : public Exception {
    using Exception::Exception;
};

// A bitmap that cannot be read at all ("Image bitmap incorrecte").
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
    static EInvalidGraphic InvalidBitmap() { return EInvalidGraphic("Image bitmap incorrecte"); }
};

// The failures of the GIF codec. Their texts are English, as the format's own
// tools word them.
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
    static EInvalidGraphicOperation UnknownVersion() { return EInvalidGraphicOperation("Unknown GIF version"); }
    static EInvalidGraphicOperation EncodingError() { return EInvalidGraphicOperation("GIF image encoding error"); }
    static EInvalidGraphicOperation CorruptData() { return EInvalidGraphicOperation("GIF encoded data is corrupt"); }
    static EInvalidGraphicOperation CodeSizeOutOfRange()
    {
        return EInvalidGraphicOperation("GIF code size not in range 2 to 9");
    }
    static EInvalidGraphicOperation WrongColorCount()
    {
        return EInvalidGraphicOperation("Wrong number of colors; must be a power of 2");
    }
    // The label as two lower-case hexadecimal digits.
    static EInvalidGraphicOperation UnrecognizedExtension(unsigned char label)
    {
        static const char digits[] = "0123456789abcdef";
        return EInvalidGraphicOperation(std::string("Unrecognized extension block: ") + digits[label >> 4]
                                        + digits[label & 15]);
    }
    static EInvalidGraphicOperation NoDataToWrite() { return EInvalidGraphicOperation("No GIF Data to write"); }
    static EInvalidGraphicOperation CannotChangeSize()
    {
        return EInvalidGraphicOperation("Cannot change the Size of a GIF image");
    }
};

} // namespace scindra
