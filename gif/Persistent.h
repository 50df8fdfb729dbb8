#pragma once
// The root of the objects that can take each other's content. A conversion
// between classes that do not know each other fails with the conversion
// error naming both classes.

#include <string>

namespace scindra {

class TPersistent {
public:
    TPersistent() = default;
    TPersistent(const TPersistent&) = delete;
    TPersistent& operator=(const TPersistent&) = delete;
    virtual ~TPersistent() = default;

    virtual std::string ClassName() const = 0;

    // Takes the content of `source` (nullptr stands for none).
    virtual void CopyFrom(const TPersistent* source);
    // Gives this object's content to `target`.
    virtual void CopyTo(TPersistent& target);

protected:
    // The conversion error for `source` (or "nil") copied into this object.
    [[noreturn]] void ConversionError(const TPersistent* source) const;
};

// The class name of an object, "nil" for none.
std::string ClassNameOf(const TPersistent* object);

} // namespace scindra
