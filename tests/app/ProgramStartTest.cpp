// The program's own start-up (app/main.cpp, built in here under another
// name), run on the offscreen platform until its loop has started.
#include "gif/PictureRegistry.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

int ScindraMain(int argc, char** argv);

namespace scindra {
namespace {

bool gifKnownWhileRunning = false;

// Runs as the application object is made: the first turn of its loop looks
// at the registry and ends the program.
void LookOnceRunning()
{
    QTimer::singleShot(0, [] {
        gifKnownWhileRunning = TPictureRegistry::Find("gif") != nullptr;
        QCoreApplication::quit();
    });
}

TEST(ProgramStart, GifPicturesAreRegisteredWhileTheProgramRuns)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ASSERT_EQ(TPictureRegistry::Find("gif"), nullptr);
    qAddPreRoutine(LookOnceRunning);
    char name[] = "scindra";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(ScindraMain(1, argv), 0);
    EXPECT_TRUE(gifKnownWhileRunning);
    EXPECT_EQ(TPictureRegistry::Find("gif"), nullptr) << "removed when the program ends";
}

} // namespace
} // namespace scindra
