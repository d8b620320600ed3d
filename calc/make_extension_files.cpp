// Writes the extension's menu and toolbar declarations (Addons.xcu, CalcWindowState.xcu),
// the list picture (list.bmp) and the pictures of the list window's tree (icons/) into a
// folder.
//
// The entries are read off the command bars the add-in itself builds: the real Connect
// is connected, once with the Japanese and once with the English texts, to a host that
// has nothing but the extension's command bars, and each control it makes becomes an
// entry with its caption and its Tag as command URL. So the captions, their order and
// their groups are the add-in's own, and every URL names a control that exists when
// the add-in runs in Calc.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "addin/Connect.h"
#include "addin/list_bitmap.h"
#include "calc/bars_only_host.h"
#include "calc/command_bars.h"
#include "calc/dialog_layout.h"
#include "forms/frmJump.h"
#include "locale/const.h"
#include "platform/bitmap_file.h"
#include "platform/linux/memory_clipboard.h"

namespace {

using tessaly::calc::BarData;
using tessaly::calc::BarsOnlyHost;
using tessaly::calc::CommandBarsModel;
using tessaly::calc::ControlData;

class QuietPlatform final : public platform::Platform {
  public:
    explicit QuietPlatform(std::string country) : country_(std::move(country)) {}
    platform::SettingsStore& Settings() override { return settings_; }
    std::string LocaleCountryName() override { return country_; }
    bool OpenUrl(const std::string&) override { return false; }
    platform::MsgAnswer MessageBox(const std::string&, const std::string&, platform::MsgIcon,
                                   platform::MsgButtons) override {
        return platform::MsgAnswer::Cancel;
    }
    void Beep() override {}
    double MonotonicSeconds() override { return 0; }
    platform::Clipboard& Clipboard() override { return clipboard_; }

  private:
    std::string country_;
    tessaly::calc::NoSettings settings_;
    linuxplatform::MemoryClipboard clipboard_;
};

// One entry of a menu or toolbar: a submenu (children) or a command.
struct Entry {
    std::string tag;
    std::map<std::string, std::string> title;  // language -> caption
    bool beginGroup = false;
    std::vector<Entry> children;
    bool popup = false;
};

struct Layout {
    std::vector<Entry> menu;  // the menu bar's entries the add-in added
    std::string toolbarName;  // per language: see toolbarTitle
    std::map<std::string, std::string> toolbarTitle;
    std::vector<Entry> toolbar;
};

std::vector<Entry> EntriesOf(const BarData& bar, const std::string& language) {
    std::vector<Entry> entries;
    for (const auto& c : bar.controls) {
        Entry e;
        e.tag = c->tag;
        e.title[language] = c->caption;
        e.beginGroup = c->beginGroup;
        e.popup = c->popup != nullptr;
        if (c->popup) e.children = EntriesOf(*c->popup, language);
        entries.push_back(std::move(e));
    }
    return entries;
}

// The other language's captions onto the same entries (the same Tags, in the same order).
bool Merge(std::vector<Entry>& into, const std::vector<Entry>& from, const std::string& language) {
    if (into.size() != from.size()) return false;
    for (size_t i = 0; i < into.size(); ++i) {
        if (into[i].tag != from[i].tag) return false;
        into[i].title[language] = from[i].title.at(language);
        if (!Merge(into[i].children, from[i].children, language)) return false;
    }
    return true;
}

Layout Build(const std::string& country, const std::string& language) {
    CommandBarsModel bars;
    QuietPlatform platform(country);
    Layout layout;
    {
        tessaly::Connect connect(platform);
        connect.AddinInstance_OnConnection(std::make_shared<BarsOnlyHost>(bars), 0, nullptr);
        layout.menu = EntriesOf(*bars.bars.at(0), language);
        for (size_t i = 1; i < bars.bars.size(); ++i) {
            layout.toolbarTitle[language] = bars.bars[i]->name;
            layout.toolbar = EntriesOf(*bars.bars[i], language);
        }
        connect.AddinInstance_OnDisconnection(0);
    }
    return layout;
}

std::string Xml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

constexpr char kProtocol[] = "vnd.tessaly.bookmarks:";
constexpr char kContext[] = "com.sun.star.sheet.SpreadsheetDocument";
const std::map<std::string, std::string> kLanguages = {{"ja", "Japan"}, {"en-US", ""}};

std::string Titles(const std::map<std::string, std::string>& titles, bool office) {
    std::string out = "<prop oor:name=\"Title\" oor:type=\"xs:string\">";
    // The English title is also the one for every other UI language.
    out += "<value>" +
           Xml(office ? tessaly::calc::DialogLabel(titles.at("en-US")) : titles.at("en-US")) +
           "</value>";
    for (const auto& [language, text] : titles)
        out += "<value xml:lang=\"" + language + "\">" +
               Xml(office ? tessaly::calc::DialogLabel(text) : text) + "</value>";
    return out + "</prop>";
}

std::string Prop(const std::string& name, const std::string& value) {
    return "<prop oor:name=\"" + name + "\" oor:type=\"xs:string\"><value>" + Xml(value) +
           "</value></prop>";
}

// Node names sort the entries: a letter and a fixed-width number.
std::string NodeName(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "m%03d", n);
    return buffer;
}

void WriteItems(std::ostream& out, const std::vector<Entry>& entries, bool menu,
                const std::string& indent) {
    int n = 0;
    for (const Entry& e : entries) {
        if (e.beginGroup && n > 0) {
            out << indent << "<node oor:name=\"" << NodeName(++n) << "\" oor:op=\"replace\">"
                << Prop("URL", "private:separator") << "</node>\n";
        }
        out << indent << "<node oor:name=\"" << NodeName(++n) << "\" oor:op=\"replace\">";
        out << Titles(e.title, true) << Prop("Context", kContext);
        if (e.popup) {
            out << Prop("URL", "") << "\n" << indent << "  <node oor:name=\"Submenu\">\n";
            WriteItems(out, e.children, menu, indent + "    ");
            out << indent << "  </node>\n" << indent;
        } else {
            out << Prop("URL", kProtocol + e.tag) << Prop("Target", "_self");
        }
        out << "</node>\n";
    }
}

void CollectCommands(const std::vector<Entry>& entries, std::vector<std::string>& tags) {
    for (const Entry& e : entries) {
        if (e.popup)
            CollectCommands(e.children, tags);
        else
            tags.push_back(e.tag);
    }
}

const char kHeader[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- Made by the build from the command bars the add-in builds. -->\n";

bool WriteAddons(const std::filesystem::path& file, const Layout& layout) {
    std::ofstream out(file, std::ios::binary);
    out << kHeader
        << "<oor:component-data xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" oor:name=\"Addons\" "
           "oor:package=\"org.openoffice.Office\">\n"
        << "<node oor:name=\"AddonUI\">\n";
    out << "<node oor:name=\"OfficeMenuBar\">\n";
    // The add-in's entries of the menu bar: the maker's menu, each its own top menu.
    int n = 0;
    for (const Entry& top : layout.menu) {
        out << "  <node oor:name=\"org.tessaly.bookmarks." << NodeName(++n)
            << "\" oor:op=\"replace\">" << Titles(top.title, true) << Prop("Context", kContext)
            << "\n    <node oor:name=\"Submenu\">\n";
        WriteItems(out, top.children, true, "      ");
        out << "    </node>\n  </node>\n";
    }
    out << "</node>\n";
    out << "<node oor:name=\"OfficeToolBar\">\n"
        << "  <node oor:name=\"org.tessaly.bookmarks.toolbar\" oor:op=\"replace\">\n";
    WriteItems(out, layout.toolbar, false, "    ");
    out << "  </node>\n</node>\n";
    // The list picture on the list command's entries.
    out << "<node oor:name=\"Images\">\n";
    std::vector<std::string> tags;
    CollectCommands(layout.menu, tags);
    CollectCommands(layout.toolbar, tags);
    n = 0;
    for (const std::string& tag : tags) {
        if (tag.find("_LIST") == std::string::npos) continue;
        out << "  <node oor:name=\"org.tessaly.bookmarks.image" << NodeName(++n)
            << "\" oor:op=\"replace\">" << Prop("URL", kProtocol + tag)
            << "<node oor:name=\"UserDefinedImages\">"
            << "<prop oor:name=\"ImageSmallURL\"><value>%origin%/list.bmp</value></prop>"
            << "</node></node>\n";
    }
    out << "</node>\n</node>\n</oor:component-data>\n";
    return static_cast<bool>(out);
}

// The toolbar's name, in both languages, as Calc's window state gives it.
bool WriteWindowState(const std::filesystem::path& file, const Layout& layout) {
    std::ofstream out(file, std::ios::binary);
    out << kHeader
        << "<oor:component-data xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" oor:name=\"CalcWindowState\" "
           "oor:package=\"org.openoffice.Office.UI\">\n"
        << "<node oor:name=\"UIElements\"><node oor:name=\"States\">\n"
        << "  <node oor:name=\"private:resource/toolbar/addon_org.tessaly.bookmarks.toolbar\" "
           "oor:op=\"replace\">\n    <prop oor:name=\"UIName\" oor:type=\"xs:string\">";
    out << "<value>" << Xml(layout.toolbarTitle.at("en-US")) << "</value>";
    for (const auto& [language, text] : layout.toolbarTitle)
        out << "<value xml:lang=\"" << language << "\">" << Xml(text) << "</value>";
    out << "</prop>\n  </node>\n</node></node>\n</oor:component-data>\n";
    return static_cast<bool>(out);
}

// The 24-bit picture as a Windows bitmap file, rows bottom to top, each padded to four
// bytes.
bool WriteBitmap(const std::filesystem::path& file, const platform::Bitmap& b) {
    const std::vector<uint8_t> data = platform::BitmapFileBytes(b);
    if (data.empty()) return false;  // a picture without its pixels
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

// Every picture of the list window's tree image list, under the name the dialog's tree
// asks for (ImageListFile). The folder is made anew so that no picture of an earlier
// build is packed.
bool WriteTreeIcons(const std::filesystem::path& folder) {
    QuietPlatform platform("");
    tessaly::frmJump jump(platform);
    const tessaly::Control* images = tessaly::calc::TreeImageList(jump);
    if (images == nullptr || images->ListImages.empty()) return false;
    std::error_code ignored;
    std::filesystem::remove_all(folder / "icons", ignored);
    std::filesystem::create_directories(folder / "icons");
    for (size_t i = 0; i < images->ListImages.size(); ++i) {
        const auto image = static_cast<int32_t>(i + 1);
        if (!WriteBitmap(folder / tessaly::calc::ImageListFile(jump, *images, image),
                         images->ListImages[i]))
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);

    Layout layout;
    bool first = true;
    for (const auto& [language, country] : kLanguages) {
        Layout one = Build(country, language);
        if (first) {
            layout = std::move(one);
            first = false;
            continue;
        }
        layout.toolbarTitle[language] = one.toolbarTitle.at(language);
        if (!Merge(layout.menu, one.menu, language) ||
            !Merge(layout.toolbar, one.toolbar, language)) {
            std::fprintf(stderr, "the add-in builds different command bars per language\n");
            return 1;
        }
    }
    if (layout.menu.empty() || layout.toolbar.empty()) {
        std::fprintf(stderr, "the add-in built no menu or no toolbar\n");
        return 1;
    }
    if (!WriteAddons(folder / "Addons.xcu", layout) ||
        !WriteWindowState(folder / "CalcWindowState.xcu", layout) ||
        !WriteBitmap(folder / "list.bmp", tessaly::ListBitmap()) || !WriteTreeIcons(folder)) {
        std::fprintf(stderr, "cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
