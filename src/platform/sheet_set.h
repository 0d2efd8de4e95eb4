#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/data_provider.h"
#include "platform/data_source.h"

// The sheets of one class set, in the order they were made: a copy of the table each
// generation run left behind, so that every sheet stays as laid out while the next run reuses
// the table. Each copy is presented through a data source of its own for rendering.
class SheetSet {
public:
    SheetSet() = default;
    SheetSet(SheetSet&&) = default;
    SheetSet& operator=(SheetSet&&) = default;

    // Appends a copy of the table as the next sheet.
    void Add(const GenericDataProvider& table);

    int32_t Count() const { return static_cast<int32_t>(sheets_.size()); }
    bool Empty() const { return sheets_.empty(); }
    // The sheet at a 0-based position.
    const DataSource& Sheet(int32_t index) const;
    // Every sheet in order, as the page renderer takes them.
    std::vector<const DataSource*> Sheets() const;

private:
    // Kept behind a pointer: the data source refers to the provider beside it.
    struct Stored {
        explicit Stored(const GenericDataProvider& table) : provider(table), source(provider) {}
        GenericDataProvider provider;
        DataSource source;
    };
    std::vector<std::unique_ptr<Stored>> sheets_;
};
