#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The printing services of the system, over CUPS. Every call asks CUPS afresh: printers and the
// default can change at any time, also from outside the program.
//
// The default printer is the user's own default, the one `lpoptions -d` sets and `lpstat -d`
// shows (LPDEST and PRINTER in the environment take precedence over it, as everywhere in CUPS).

// The names of the installed printers, in the order CUPS lists them.
std::vector<std::string> InstalledPrinters();

// The name of the default printer; "" when there is none (also when the user's default names a
// printer that no longer exists).
std::string DefaultPrinterName();

// Makes the installed printer `name` the user's default printer. Returns 1 on success, 0 when
// `name` is not an installed printer or the choice could not be saved.
int32_t MakeDefaultPrinter(const std::string& name);

// The three operations behind an interface, so the printer list can be tested with a stand-in.
class PrinterService {
public:
    virtual ~PrinterService() = default;
    virtual std::vector<std::string> InstalledPrinters() const = 0;
    virtual std::string DefaultPrinterName() const = 0;
    virtual int32_t MakeDefaultPrinter(const std::string& name) = 0;
};

// The system's printing services (the free functions above).
class CupsPrinterService : public PrinterService {
public:
    std::vector<std::string> InstalledPrinters() const override { return ::InstalledPrinters(); }
    std::string DefaultPrinterName() const override { return ::DefaultPrinterName(); }
    int32_t MakeDefaultPrinter(const std::string& name) override {
        return ::MakeDefaultPrinter(name);
    }
};
