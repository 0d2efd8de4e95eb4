#include "platform/sheet_set.h"

void SheetSet::Add(const GenericDataProvider& table) {
    sheets_.push_back(std::make_unique<Stored>(table));
}

const DataSource& SheetSet::Sheet(int32_t index) const {
    return sheets_.at(static_cast<size_t>(index))->source;
}

std::vector<const DataSource*> SheetSet::Sheets() const {
    std::vector<const DataSource*> sheets;
    sheets.reserve(sheets_.size());
    for (const auto& stored : sheets_) sheets.push_back(&stored->source);
    return sheets;
}
