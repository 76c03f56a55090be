#pragma once
// What every picture set shares: where the pictures go, and a plain title
// bar drawn above a grabbed window so the pictures show the caption as a
// window manager would.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

namespace pv::shots {

inline QString Dir() {
    return qEnvironmentVariable("PORTIVOX_SCREENSHOT_DIR");
}

inline QImage Framed(QWidget* w, const QPixmap& client) {
    const int bar = 26;
    QImage image(client.width() + 2, client.height() + bar + 1, QImage::Format_RGB32);
    image.fill(QColor(0x5a, 0x6e, 0x8c));
    QPainter p(&image);
    QFont f = w->font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(8, 0, image.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft,
               w->windowTitle());
    p.drawPixmap(1, bar, client);
    return image;
}

inline void Save(const QImage& image, const QString& name) {
    QDir().mkpath(Dir());
    ASSERT_TRUE(image.save(QDir(Dir()).filePath(name), "PNG")) << name.toStdString();
}

/// The window as it stands now, framed.
inline void SaveGrab(QWidget* w, const QString& name) {
    QCoreApplication::processEvents();
    Save(Framed(w, w->grab()), name);
}

/// Shows the window (fitted to its contents unless `fit` is false), framed.
inline void SaveWidget(QWidget* w, const QString& name, bool fit = true) {
    w->show();
    if (fit) w->adjustSize();
    SaveGrab(w, name);
}

} // namespace pv::shots
