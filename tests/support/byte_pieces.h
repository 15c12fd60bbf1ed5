#pragma once

// A content handed to a reader in pieces of one size, as a file is read a
// piece at a time: the tests and the fuzz targets cut a text file at every
// place a piece can end.
#include "platform/excel/files/formats.h"

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>

namespace excel::testing {

class Pieces : public files::ByteSource {
public:
    // The content is not copied: it outlives the pieces.
    Pieces(const QByteArray& content, qsizetype size) : content_(content), size_(size) {}
    QByteArrayView next() override {
        const QByteArrayView piece = QByteArrayView(content_).sliced(at_, std::min(size_, content_.size() - at_));
        at_ += piece.size();
        return piece;
    }
    void rewind() override { at_ = 0; }

private:
    const QByteArray& content_;
    const qsizetype size_;
    qsizetype at_ = 0;
};

} // namespace excel::testing
