// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

// Renders the application icon, drawn as a 32 by 32 XPM, to PNG files of the sizes asked for.
// Larger sizes are scaled by whole multiples with nearest-neighbour sampling, so every pixel of
// the 16-colour drawing stays a crisp square.
//
// Usage: render_icon ICON.xpm OUTPUT_DIR SIZE...   (writes OUTPUT_DIR/SIZE.png)

#include <QGuiApplication>
#include <QImage>
#include <QTextStream>

int main(int argc, char** argv)
{
    if (argc < 4) {
        QTextStream(stderr) << "usage: render_icon ICON.xpm OUTPUT_DIR SIZE...\n";
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QImage icon(QString::fromLocal8Bit(argv[1]));
    if (icon.isNull()) {
        QTextStream(stderr) << "cannot read " << argv[1] << '\n';
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size <= 0 || size % icon.width() != 0) {
            QTextStream(stderr) << "size " << argv[i] << " is not a multiple of " << icon.width()
                                << '\n';
            return 2;
        }
        const QImage scaled =
            icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const QString output =
            QStringLiteral("%1/%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        if (!scaled.save(output, "PNG")) {
            QTextStream(stderr) << "cannot write " << output << '\n';
            return 1;
        }
    }
    return 0;
}
