#pragma once

// The host seam over LibreOffice Calc's UNO API. Documents are the desktop's
// spreadsheet documents in the order of their frames; sheets, cells, rows and columns
// are Calc's own objects, which follow their cells when rows and columns move. Events
// come from the global document event broadcaster (load, new, save), each document's
// modify broadcaster (an edit) and each view's selection supplier.

#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <functional>
#include <string>

#include "calc/host_version.h"
#include "host/host.h"

namespace tessaly::calc {

class CommandBarsModel;

// `afterEvent` runs after each event the add-in has handled (the command states may
// have changed).
host::Ref<host::Application> MakeApplication(
    const com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext>& context,
    CommandBarsModel& bars, std::function<void()> afterEvent);

// While the add-in's own code runs (a command, an event handler), what it does to the
// documents raises no events of its own: Calc reports every shape it adds as an edit,
// and the other host raises no change event for a mark at all.
class AddinScope {
  public:
    AddinScope();
    ~AddinScope();
    AddinScope(const AddinScope&) = delete;
    AddinScope& operator=(const AddinScope&) = delete;
    static bool Active();
};

// True in an office started with --headless: it shows no window at all, and cannot.
bool OfficeIsHeadless();

// A value of LibreOffice's configuration as text; empty when it cannot be read.
std::string ConfigurationText(
    const com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext>& context,
    const std::string& nodePath, const std::string& name);

}  // namespace tessaly::calc
