#include "platform/printers.h"

#include <cups/cups.h>

namespace {

// The destinations CUPS lists right now (queues and the user's saved choices), freed with the
// object.
class Destinations {
public:
    Destinations() : count_(cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_)) {}
    ~Destinations() { cupsFreeDests(count_, dests_); }
    Destinations(const Destinations&) = delete;
    Destinations& operator=(const Destinations&) = delete;

    int count() const { return count_; }
    cups_dest_t* begin() const { return dests_; }
    cups_dest_t* end() const { return dests_ + count_; }

    // The printer itself (not one of its saved instances); null when CUPS has no such printer.
    cups_dest_t* Printer(const std::string& name) const {
        return cupsGetDest(name.c_str(), nullptr, count_, dests_);
    }

    // Marks the printer as the default and saves the choice where `lpoptions -d` does.
    bool SaveDefault(const std::string& name) {
        cupsSetDefaultDest(name.c_str(), nullptr, count_, dests_);
        return cupsSetDests2(CUPS_HTTP_DEFAULT, count_, dests_) == 0;
    }

private:
    cups_dest_t* dests_ = nullptr;
    int count_ = 0;
};

}  // namespace

std::vector<std::string> InstalledPrinters() {
    std::vector<std::string> names;
    for (const cups_dest_t& dest : Destinations()) {
        // Instances are saved option sets of a printer, not printers of their own.
        if (dest.instance == nullptr) names.emplace_back(dest.name);
    }
    return names;
}

std::string DefaultPrinterName() {
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (dest == nullptr) return {};
    std::string name = dest->name;
    cupsFreeDests(1, dest);
    return name;
}

int32_t MakeDefaultPrinter(const std::string& name) {
    if (name.empty()) return 0;
    Destinations dests;
    if (dests.Printer(name) == nullptr) return 0;
    return dests.SaveDefault(name) ? 1 : 0;
}
