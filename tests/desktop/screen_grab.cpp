// Saves what the X server shows of one window (its id as xdotool gives it) or of the whole
// screen as a PNG: the screenshots of the desktop tests, taken from the server, not from
// inside the program under test.
//
//   screen_grab OUT.png [WINDOW-ID]
#include <cstdio>
#include <cstdlib>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: screen_grab OUT.png [WINDOW-ID]\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fprintf(stderr, "screen_grab: no screen\n");
        return 1;
    }
    const WId window = argc == 3 ? static_cast<WId>(std::strtoull(argv[2], nullptr, 0)) : 0;
    const QPixmap shot = screen->grabWindow(window);
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "screen_grab: cannot grab or write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
