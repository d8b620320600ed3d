#include "win/ui/dialog_template.h"

#include <cstring>

namespace tessaly::win::ui {

namespace {

class TemplateWriter {
  public:
    void Word(uint16_t value) { Append(&value, sizeof value); }
    void DWord(uint32_t value) { Append(&value, sizeof value); }
    void Short(int value) {
        // Dialog units of a template are 16-bit; a window this size never needs more.
        const auto clamped = static_cast<int16_t>(value < -32768  ? -32768
                                                  : value > 32767 ? 32767
                                                                  : value);
        Append(&clamped, sizeof clamped);
    }
    void Byte(uint8_t value) { Append(&value, sizeof value); }
    void Text(const std::wstring& text) {
        for (wchar_t c : text) Word(static_cast<uint16_t>(c));
        Word(0);
    }
    void Align() {
        while (bytes_.size() % 4 != 0) bytes_.push_back(0);
    }
    std::vector<DWORD> Take() {
        Align();
        std::vector<DWORD> words(bytes_.size() / 4);
        std::memcpy(words.data(), bytes_.data(), bytes_.size());
        return words;
    }

  private:
    void Append(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    std::vector<uint8_t> bytes_;
};

}  // namespace

std::vector<DWORD> BuildDialogTemplate(const TemplateWindow& window,
                                       const std::vector<TemplateItem>& items,
                                       const DialogUnits& units) {
    TemplateWriter out;
    out.Word(1);       // dlgVer
    out.Word(0xFFFF);  // signature: the extended form
    out.DWord(0);      // helpID
    out.DWord(window.exStyle);
    out.DWord(window.style | DS_SETFONT);
    out.Word(static_cast<uint16_t>(items.size()));
    out.Short(0);  // placed in pixels once created
    out.Short(0);
    out.Short(units.ToX(window.clientWidth));
    out.Short(units.ToY(window.clientHeight));
    out.Word(0);  // no menu
    out.Word(0);  // the dialog class
    out.Text(window.title);
    out.Word(static_cast<uint16_t>(window.font.points));
    out.Word(FW_NORMAL);
    out.Byte(0);  // not italic
    out.Byte(window.font.charset);
    out.Text(window.font.face);

    for (const TemplateItem& item : items) {
        out.Align();
        out.DWord(0);  // helpID
        out.DWord(item.exStyle);
        out.DWord(item.style);
        out.Short(units.ToX(item.left));
        out.Short(units.ToY(item.top));
        out.Short(units.ToX(item.width));
        out.Short(units.ToY(item.height));
        out.DWord(item.id);
        out.Text(item.className);
        out.Text(item.text);
        out.Word(0);  // no creation data
    }
    return out.Take();
}

}  // namespace tessaly::win::ui
