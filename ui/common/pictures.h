#pragma once

#include <QPixmap>

// The small pictures the windows show, drawn here so that no image file has
// to travel with the add-in.
namespace pictures {

QPixmap Information(int size = 32);
QPixmap Hourglass(int size = 32);

} // namespace pictures
