// Scindra: cuts a large file into equal pieces and rebuilds it from them.

#include "app/TApplication.h"
#include "gif/GIFRegistration.h"
#include "ui/about/TAPropos_Frm.h"
#include "ui/main/TScindra.h"

#include <cfenv>
#include <exception>
#include <memory>

int main(int argc, char** argv)
{
    // Quotients round to nearest, ties to even. Zero divisors are checked
    // before dividing, so no floating-point trap needs to be enabled.
    std::fesetround(FE_TONEAREST);

    // GIF pictures are known to the picture registry from before the first
    // window until after the last.
    const scindra::TGIFRegistration gifPictures;
    scindra::TApplication application(argc, argv);
    // The first window made is the main one: closing it ends the program.
    scindra::TScindra scindra;

    // The About window is made now, hidden, and lives until the end. A
    // program that cannot make it (its logo unreadable) tells why and stops.
    std::unique_ptr<scindra::TAPropos_Frm> about;
    try {
        about = std::make_unique<scindra::TAPropos_Frm>();
    } catch (const std::exception& error) {
        application.ShowException(error);
        return 1;
    }
    scindra::APropos_Frm = about.get();

    scindra.show();
    return application.Run();
}
