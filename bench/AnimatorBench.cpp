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
        test::ImageBlock image;
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

void ShowAndSettle(QWidget& window)
{
    window.resize(120, 100);
    window.show();
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
}

// A player shows the GIF in its own window and plays it while started; it
// keeps what it has decoded from one slice to the next, as a logo that plays
// for minutes does.
class Player {
public:
    virtual ~Player() = default;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    int frames = 0;

    // Plays for `ms` milliseconds and adds the CPU time it took to `total`.
    void PlayFor(int ms, Run& total)
    {
        const double before = CpuSeconds();
        const int framesBefore = frames;
        Start();
        QEventLoop loop;
        QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        Stop();
        total.cpuSeconds += CpuSeconds() - before;
        total.frames += frames - framesBefore;
    }

protected:
    QWidget window_;
};

class AnimatorPlayer final : public Player {
public:
    explicit AnimatorPlayer(const test::Bytes& gif) : animator_(new TGIFAnimator(&window_))
    {
        TMemoryStream stream(gif);
        animator_->Image().ReadFromStream(stream);
        animator_->SetOnFrameChanged([this](QObject*) { ++frames; });
        ShowAndSettle(window_);
    }
    void Start() override { animator_->SetAnimate(true); }
    void Stop() override { animator_->SetAnimate(false); }

private:
    TGIFAnimator* animator_;
};

class MoviePlayer final : public Player {
public:
    explicit MoviePlayer(const test::Bytes& gif)
        : bytes_(reinterpret_cast<const char*>(gif.data()), static_cast<qsizetype>(gif.size())),
          label_(new QLabel(&window_))
    {
        buffer_.setBuffer(&bytes_);
        movie_.setDevice(&buffer_);
        movie_.setFormat("gif");
        movie_.jumpToFrame(0);
        label_->setPixmap(movie_.currentPixmap());
        label_->resize(70, 52);
        timer_.setInterval(100);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (!movie_.jumpToNextFrame())
                movie_.jumpToFrame(0);
            label_->setPixmap(movie_.currentPixmap());
            ++frames;
        });
        ShowAndSettle(window_);
    }
    void Start() override { timer_.start(); }
    void Stop() override { timer_.stop(); }

private:
    QByteArray bytes_;
    QBuffer buffer_;
    QMovie movie_;
    QLabel* label_;
    QTimer timer_;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const test::Bytes gif = LogoLikeGif();

    // Four alternating slices each, so that a change in the machine's load
    // falls on both players alike.
    constexpr int kSlices = 4;
    AnimatorPlayer animatorPlayer(gif);
    MoviePlayer moviePlayer(gif);
    Run animator;
    Run movie;
    for (int slice = 0; slice < kSlices; ++slice) {
        animatorPlayer.PlayFor(seconds * 1000 / kSlices, animator);
        moviePlayer.PlayFor(seconds * 1000 / kSlices, movie);
    }
    std::printf("GIF: 22 frames of 70 x 52, 100 ms each, %zu bytes; %d s of playing each\n", gif.size(), seconds);
    std::printf("TGIFAnimator:     %8.1f ms CPU, %4d frames shown\n", animator.cpuSeconds * 1000, animator.frames);
    std::printf("QMovie + QTimer:  %8.1f ms CPU, %4d frames shown\n", movie.cpuSeconds * 1000, movie.frames);
    std::printf("ratio animator / QMovie: %.2f\n", movie.cpuSeconds > 0 ? animator.cpuSeconds / movie.cpuSeconds : 0.0);
    return 0;
}
