#include "calc/accelerators.h"

#include <com/sun/star/awt/Key.hpp>
#include <com/sun/star/awt/KeyModifier.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>
#include <com/sun/star/ui/theModuleUIConfigurationManagerSupplier.hpp>

#include "calc/dialog_layout.h"
#include "calc/uno_calls.h"
#include "settings/settings_store.h"

namespace tessaly::calc {

namespace uno = css::uno;
namespace Key = css::awt::Key;

static_assert(kOfficeNum0 == Key::NUM0 && kOfficeA == Key::A && kOfficeReturn == Key::RETURN &&
              kOfficeEscape == Key::ESCAPE);

std::optional<css::awt::KeyEvent> AcceleratorKey(const KeyTableEntry& entry) {
    const int32_t vk = entry.KeyCode;
    sal_Int16 code = 0;
    if (vk >= 'A' && vk <= 'Z') {
        code = static_cast<sal_Int16>(Key::A + (vk - 'A'));
    } else if (vk >= 0x70 && vk <= 0x87) {  // F1 to F24
        code = static_cast<sal_Int16>(Key::F1 + (vk - 0x70));
    } else {
        switch (vk) {
            case 0x24:
                code = Key::HOME;
                break;
            case 0x23:
                code = Key::END;
                break;
            case 0x2D:
                code = Key::INSERT;
                break;
            case 0x2E:
                code = Key::DELETE;
                break;
            case 0x21:
                code = Key::PAGEUP;
                break;
            case 0x22:
                code = Key::PAGEDOWN;
                break;
            case 0x25:
                code = Key::LEFT;
                break;
            case 0x27:
                code = Key::RIGHT;
                break;
            case 0x26:
                code = Key::UP;
                break;
            case 0x28:
                code = Key::DOWN;
                break;
            default:
                return std::nullopt;
        }
    }
    css::awt::KeyEvent key;
    key.KeyCode = code;
    key.Modifiers = 0;
    if (entry.Shift == kVbTrue) key.Modifiers |= css::awt::KeyModifier::SHIFT;
    if (entry.Ctrl == kVbTrue) key.Modifiers |= css::awt::KeyModifier::MOD1;
    if (entry.Alt == kVbTrue) key.Modifiers |= css::awt::KeyModifier::MOD2;
    return key;
}

namespace {

// The stored shortcut rows, as one text to compare.
std::string StoredShortcuts(platform::Platform& platform) {
    std::string stored;
    for (int32_t row = 0; row < kShortcutRowCount; ++row) {
        try {
            stored += ReadSetting(platform, setting::kSection, ShortcutModifierSettingKey(row), "");
            stored += '\n';
            stored += ReadSetting(platform, setting::kSection, ShortcutKeyNameSettingKey(row), "");
            stored += '\n';
        } catch (const std::exception&) {
            stored += "?\n";
        }
    }
    return stored;
}

}  // namespace

void Accelerators::Renew(const uno::Reference<uno::XComponentContext>& ctx,
                         platform::Platform& platform) {
    if (StoredShortcuts(platform) == installed_) return;
    Remove();
    Install(ctx, platform);
}

void Accelerators::Install(const uno::Reference<uno::XComponentContext>& ctx,
                           platform::Platform& platform) {
    installed_ = StoredShortcuts(platform);
    try {
        auto supplier = css::ui::theModuleUIConfigurationManagerSupplier::get(ctx);
        auto manager =
            supplier->getUIConfigurationManager("com.sun.star.sheet.SpreadsheetDocument");
        config_ = manager->getShortCutManager();
    } catch (const uno::Exception&) {
        return;
    }
    for (int32_t row = 0; row < kShortcutRowCount; ++row) {
        try {
            const auto parsed = ParseShortcut(
                row, ReadSetting(platform, setting::kSection, ShortcutModifierSettingKey(row), ""),
                ReadSetting(platform, setting::kSection, ShortcutKeyNameSettingKey(row), ""));
            const std::string command = ShortcutCommandName(row);
            if (parsed.kind != ShortcutParse::Entry || command.empty()) continue;
            const auto key = AcceleratorKey(parsed.entry);
            if (!key) continue;
            Bound bound{*key, std::nullopt};
            try {
                bound.before = config_->getCommandByKeyEvent(*key);
            } catch (const uno::Exception&) {
            }
            config_->setKeyEvent(
                *key, Uno(std::string("vnd.tessaly.bookmarks:") + kCallPrefix + command));
            bound_.push_back(bound);
        } catch (const std::exception&) {
            // A row that cannot be read or bound stays without its key.
        } catch (const uno::Exception&) {
        }
    }
}

void Accelerators::Remove() {
    if (!config_.is()) return;
    for (const Bound& b : bound_) {
        try {
            if (b.before)
                config_->setKeyEvent(b.key, *b.before);
            else
                config_->removeKeyEvent(b.key);
        } catch (const uno::Exception&) {
        }
    }
    bound_.clear();
    config_.clear();
}

}  // namespace tessaly::calc
