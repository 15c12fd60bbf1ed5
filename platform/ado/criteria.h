#pragma once

#include "platform/ado/rowstore.h"

#include <QString>
#include <memory>
#include <vector>

// The texts a recordset's Filter and Sort take.
namespace ado::detail {

// A parsed filter. Parsing raises for malformed criteria and unknown fields;
// matching raises when a clause compares values of kinds that cannot meet (a
// number with a text that is no number).
class Criteria {
public:
    virtual ~Criteria();
    virtual bool matches(const Row& row) const = 0;

    // Null for the empty text (no filter).
    static std::shared_ptr<const Criteria> Parse(const QString& text, const std::vector<FieldInfo>& fields);
};

struct SortKey {
    int field = 0;
    bool descending = false;
};

// Empty for the empty text. Raises for an unknown field.
std::vector<SortKey> ParseSort(const QString& text, const std::vector<FieldInfo>& fields);

// A stable sort; raises when a key's values are of different kinds (Null
// goes with any kind, first).
void SortRows(std::vector<RowPtr>& rows, const std::vector<SortKey>& keys, const std::vector<FieldInfo>& fields);

} // namespace ado::detail
