#include "gif/Graphic.h"

#include "rtl/TFileStream.h"

namespace scindra {

void TGraphic::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, TFileMode::OpenReadDenyWrite);
    ReadFromStream(file);
}

void TGraphic::SaveToFile(const std::string& fileName)
{
    TFileStream file(fileName, TFileMode::Create);
    WriteToStream(file);
}

void TGraphic::SetTransparent(bool transparent)
{
    if (transparent == transparent_)
        return;
    transparent_ = transparent;
    NotifyChanged();
}

void TGraphic::NotifyChanged()
{
    modified_ = true;
    if (onChange_)
        onChange_(*this);
}

} // namespace scindra
