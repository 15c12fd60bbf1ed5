#pragma once

#include <QIcon>

namespace host {

// The picture of a command-bar button's face id, for the faces we have art
// for; a null icon for the others.
QIcon FaceIcon(int faceId);

} // namespace host
