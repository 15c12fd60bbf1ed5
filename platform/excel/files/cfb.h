#pragma once

// The compound file (OLE2 structured storage) that holds the binary
// workbook format's "Workbook" stream.

#include "platform/vb/export.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace excel::files {

// Whether bytes begin with the compound file signature.
QM_EXPORT bool IsCompoundFile(const QByteArray& head);

// A compound file of 512-byte sectors holding one stream. Streams below
// the 4096-byte cut-off would belong in the mini stream, which this writer
// does not build, so shorter streams are padded with zero bytes up to it.
QM_EXPORT QByteArray BuildCompoundFile(const QString& streamName, const QByteArray& stream);

// The first of the named streams (names compared without letter case) of
// a compound file; nothing when there is none or the file is malformed.
// Every field of the header and the directory is checked against the size
// of the file: a damaged or hostile file gives nothing, never a read outside
// it, and a looping chain of sectors ends.
QM_EXPORT std::optional<QByteArray> ReadCompoundStream(const QByteArray& file, const QStringList& names);

// The names of the streams a compound file holds, in directory order;
// nothing when the file is malformed.
QM_EXPORT std::optional<QStringList> CompoundStreamNames(const QByteArray& file);

} // namespace excel::files
