#include "common/count_field.h"

#include <cassert>

#include "common/output_file.h"

namespace gerador {

std::string countField(std::optional<std::int32_t> knownCount) {
    std::string field = knownCount ? std::to_string(*knownCount) : "";
    field.resize(kCountFieldWidth, ' ');
    return field;
}

void writeCountOverField(TOutputFile& file, const std::string& textBefore, std::int32_t count) {
    assert(file.canRewind());
    // The text before the field gets its own bytes again; the count's digits land on the blanks.
    file.rewind();
    file.write(textBefore + std::to_string(count));
}

}  // namespace gerador
