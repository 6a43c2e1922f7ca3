#pragma once

#include <QFont>

// The windows were laid out for a sans-serif face 10 pixels high; controls keep to the size they were
// placed for whatever the desktop's default is. Menus and title bars keep the desktop's own.
inline QFont windowFont(QFont base) {
    base.setPixelSize(10);
    return base;
}
