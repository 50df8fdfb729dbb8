// CPU time of the animated GIF control playing a logo-like GIF (22 frames of
// 70 x 52, 100 ms each, keyed, wiped after each frame but the last) for ten
// seconds on the offscreen platform, against the same GIF played by QMovie
// stepped by a plain QTimer into a QLabel. CPU time counts every thread of
// the process (the timer thread included). Usage: scindra_animator_bench [seconds]

#include "GifBuilder.h"
#include "animation/GIFAnimator.h"
#include "rtl/TMemoryStream.h"

#include <QApplication>
#include <QBuffer>
#include <QEventLoop>
#include <QLabel>
#include <QMovie>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

namespace {

using namespace scindra;

double CpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

test::Bytes LogoLikeGif()
{
    constexpr int kFrames = 22;
    constexpr uint8_t kKey = 254;
    test::GifBuilder gif;
    gif.Header("89a").Screen(70, 52, test::DistinctPalette(256)).Loop(0);
    for (int i = 0; i < kFrames; ++i) {
        test::ImageSpec image;
        image.pixels = test::PhotoPixels(70, 52, 254, static_cast<uint32_t>(i + 1));
        // A see-through margin around a moving picture, as a logo has.
        for (int y = 0; y < 52; ++y)
            for (int x = 0; x < 70; ++x)
                if (x < 4 || y < 4 || x >= 66 || y >= 48 || (x + y + i) % 17 == 0)
                    image.pixels.indices[static_cast<size_t>(y) * 70 + x] = kKey;
        gif.Control({i + 1 < kFrames ? 2 : 1, 10, kKey});
        gif.Image(image);
    }
    return gif.Trailer().Build();
}

struct Run {
    double cpuSeconds = 0;
    int frames = 0;
};

// Runs the event loop for `seconds` and measures the CPU time it takes.
Run Measure(int seconds, const std::function<void()>& start, const int& frames)
{
    const double before = CpuSeconds();
    start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return {CpuSeconds() - before, frames};
}

void ShowAndSettle(QWidget& window)
{
    window.resize(120, 100);
    window.show();
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
}

Run PlayAnimator(const test::Bytes& gif, int seconds)
{
    QWidget window;
    auto* animator = new TGIFAnimator(&window);
    TMemoryStream stream(gif);
    animator->Image().ReadFromStream(stream);
    int frames = 0;
    animator->SetOnFrameChanged([&frames](QObject*) { ++frames; });
    ShowAndSettle(window);
    const Run run = Measure(seconds, [animator] { animator->SetAnimate(true); }, frames);
    animator->SetAnimate(false);
    return run;
}

Run PlayMovie(const test::Bytes& gif, int seconds)
{
    QWidget window;
    auto* label = new QLabel(&window);
    QByteArray bytes(reinterpret_cast<const char*>(gif.data()), static_cast<qsizetype>(gif.size()));
    QBuffer buffer(&bytes);
    QMovie movie(&buffer, "gif");
    movie.jumpToFrame(0);
    label->setPixmap(movie.currentPixmap());
    label->resize(70, 52);
    int frames = 0;
    QTimer timer;
    timer.setInterval(100);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!movie.jumpToNextFrame())
            movie.jumpToFrame(0);
        label->setPixmap(movie.currentPixmap());
        ++frames;
    });
    ShowAndSettle(window);
    return Measure(seconds, [&timer] { timer.start(); }, frames);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const test::Bytes gif = LogoLikeGif();

    const Run animator = PlayAnimator(gif, seconds);
    const Run movie = PlayMovie(gif, seconds);
    std::printf("GIF: 22 frames of 70 x 52, 100 ms each, %zu bytes; %d s of playing each\n", gif.size(), seconds);
    std::printf("TGIFAnimator:     %8.1f ms CPU, %4d frames shown\n", animator.cpuSeconds * 1000, animator.frames);
    std::printf("QMovie + QTimer:  %8.1f ms CPU, %4d frames shown\n", movie.cpuSeconds * 1000, movie.frames);
    std::printf("ratio animator / QMovie: %.2f\n", movie.cpuSeconds > 0 ? animator.cpuSeconds / movie.cpuSeconds : 0.0);
    return 0;
}
