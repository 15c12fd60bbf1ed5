#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A fixed pool of numbered, growable text buffers for building long documents
// (tens of thousands of numbers or messages) without copying the whole text
// again at every append. Slots 0 to 65000; a slot number outside them raises
// "Subscript out of range" in every operation. Used on the user-interface
// thread only.
namespace strBuffer_com {

inline constexpr qint32 kSlotCount = 65001;
// Capacity grows in whole steps of this many characters.
inline constexpr qint32 kCapacityStep = 65536;

// Claims the lowest free slot. With every slot claimed the result is 0, a slot
// already in use: callers release their slots before they return, so only a
// leak could get there.
qint32 AllocBuffer();
// Appends the text, unless it is made of blanks only (U+0020; a text with
// anything else in it is appended whole, blanks included).
void AppendToBuffer(const QString& text, const qint32& slot);
// The slot's text so far.
QString BufferText(qint32 slot);
// The same as UTF-8, as a document is posted: the slot keeps its text so
// while it can, so that a document of a hundred megabytes is not made a
// second time to go out. A half of a surrogate pair alone goes out as "?".
QByteArray BufferUtf8(qint32 slot);
// Empties the slot and frees it; freeing a free slot is harmless.
void FreeBuffer(qint32 slot);

// What the slot holds: its capacity, the characters in use, whether it is
// claimed.
qint32 BufferCapacity(qint32 slot);
qint32 BufferLength(qint32 slot);
bool BufferUsed(qint32 slot);

} // namespace strBuffer_com
