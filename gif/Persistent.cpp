#include "gif/Persistent.h"

#include "rtl/Exception.h"

namespace scindra {

std::string ClassNameOf(const TPersistent* object)
{
    return object ? object->ClassName() : std::string("nil");
}

void TPersistent::CopyFrom(const TPersistent* source)
{
    ConversionError(source);
}

void TPersistent::CopyTo(TPersistent& target)
{
    // Nothing knows how to take this object's content: the target says so.
    throw EConvertError::CannotAssign(ClassName(), target.ClassName());
}

void TPersistent::ConversionError(const TPersistent* source) const
{
    throw EConvertError::CannotAssign(ClassNameOf(source), ClassName());
}

} // namespace scindra
