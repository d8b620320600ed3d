#pragma once

// The five shortcut keys as Calc accelerators. The other host needs a keyboard hook to
// catch them; Calc binds a key to a command URL itself. Each stored shortcut row is
// bound, for spreadsheet documents and for this session only, to
// "vnd.tessaly.bookmarks:call/" + the row's command procedure, which the extension runs
// by name as the hook does; the key's earlier binding comes back at disconnection.

#include <com/sun/star/awt/KeyEvent.hpp>
#include <com/sun/star/ui/XAcceleratorConfiguration.hpp>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "settings/shortcut_definitions.h"

namespace tessaly::calc {

inline constexpr char kCallPrefix[] = "call/";

// Calc's key for a key-table entry; nothing for a key Calc's accelerators cannot take.
std::optional<com::sun::star::awt::KeyEvent> AcceleratorKey(const KeyTableEntry& entry);

class Accelerators {
  public:
    // Binds the stored shortcuts; errors leave a row unbound.
    void Install(const com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext>& ctx,
                 platform::Platform& platform);
    void Remove();
    // Binds the keys again when the stored shortcuts differ from those bound (the
    // settings window changed them): the office's accelerators are not per call.
    void Renew(const com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext>& ctx,
               platform::Platform& platform);

  private:
    struct Bound {
        com::sun::star::awt::KeyEvent key;
        std::optional<rtl::OUString> before;
    };
    com::sun::star::uno::Reference<com::sun::star::ui::XAcceleratorConfiguration> config_;
    std::vector<Bound> bound_;
    std::string installed_;  // the stored shortcuts the keys were bound from
};

}  // namespace tessaly::calc
