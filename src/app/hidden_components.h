#pragma once

#include "platform/data_provider.h"
#include "platform/data_source.h"
#include "platform/grid.h"

// The window's three hidden table components: the generic data provider "通用提供者1" holds the
// worksheet's cells, the data source "数据源1" presents them with their formatting and print
// settings, and the grid "表格1" shows them in a print preview or prints them. The user never
// sees the grid itself. The grid names its data source, the data source its provider.
class HiddenComponents {
public:
    HiddenComponents() = default;
    HiddenComponents(const HiddenComponents&) = delete;
    HiddenComponents& operator=(const HiddenComponents&) = delete;

    GenericDataProvider& Provider() { return provider_; }
    DataSource& Source() { return source_; }
    Grid& Table() { return grid_; }

private:
    GenericDataProvider provider_{"通用提供者1"};
    DataSource source_{provider_, "数据源1"};
    Grid grid_{source_, "表格1"};
};
