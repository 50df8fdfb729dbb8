// Scindra: cuts a large file into equal pieces and rebuilds it from them.

#include "app/TApplication.h"
#include "ui/main/TScindra.h"

#include <cfenv>

int main(int argc, char** argv)
{
    // Quotients round to nearest, ties to even. Zero divisors are checked
    // before dividing, so no floating-point trap needs to be enabled.
    std::fesetround(FE_TONEAREST);

    scindra::TApplication application(argc, argv);
    // The first window made is the main one: closing it ends the program.
    scindra::TScindra scindra;
    scindra.show();
    return application.Run();
}
