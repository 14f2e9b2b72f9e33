// Time of one button repaint (89 x 25, the window's button size) per style and state, against
// a Fusion QPushButton of the same size painted into an image in the same run.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_glowpaint [repeats]
#include "glowfacts.h"
#include "glowthemepainter.h"
#include "systemcolors.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>

#include <cstdio>
#include <memory>

namespace {

constexpr int kW = 89, kH = 25;

template <typename F> double NanosPerCall(int repeats, F f)
{
    f(); // warm caches and lazily built fonts
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeats; ++i)
        f();
    return double(timer.nsecsElapsed()) / repeats;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    QFont font("Verdana");
    font.setPointSizeF(8.25);
    const QString caption = QString::fromUtf8("读表数据");

    const std::unique_ptr<QStyle> fusionStyle(QStyleFactory::create("Fusion"));
    QPushButton button(caption);
    button.setStyle(fusionStyle.get());
    button.setFont(font);
    button.resize(kW, kH);
    QImage target(kW, kH, QImage::Format_ARGB32_Premultiplied);
    const double fusion = NanosPerCall(repeats, [&] { button.render(&target); });
    std::printf("Fusion QPushButton %dx%d: %.1f us per paint\n", kW, kH, fusion / 1000);

    PaletteSystemColors colors;
    GlowStyleThemePainter theme(fusionStyle.get());
    QImage surface, scratch;
    double worst = 0, total = 0;
    int runs = 0;
    std::printf("style  state1   state2   state3   state4   state5   (us per repaint)\n");
    for (int style = 0; style <= 10; ++style) {
        std::printf("%5d", style);
        for (int state = 1; state <= 5; ++state) {
            GlowFacts f;
            f.width = kW;
            f.height = kH;
            f.style = style;
            f.state = GlowState(state);
            f.enabled = state != 4;
            f.caption = caption;
            f.captionFormat = 37;
            f.font = font;
            const double ns = NanosPerCall(
                repeats, [&] { RefreshGlowButton(surface, scratch, f, colors, &theme); });
            worst = std::max(worst, ns);
            total += ns;
            ++runs;
            std::printf("  %7.1f", ns / 1000);
        }
        std::printf("\n");
    }
    std::printf("mean repaint / Fusion: %.2f; slowest repaint / Fusion: %.2f\n",
                total / runs / fusion, worst / fusion);
    return 0;
}
