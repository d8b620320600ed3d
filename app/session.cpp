#include "app/session.h"

#include <system_error>

#include "sim/xlsx/xlsx.h"

namespace app {

namespace fs = std::filesystem;

namespace {

std::string FileNameOf(const std::string& path) {
    return fs::path(path).filename().string();
}

fs::path Absolute(const std::string& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    return ec ? fs::path(path) : absolute.lexically_normal();
}

bool EndsWithXlsx(const std::string& name) {
    return name.size() > 5 && Lower(name.substr(name.size() - 5)) == ".xlsx";
}

int32_t RowNumber(const std::string& text) {
    std::optional<int32_t> row = ParseInteger(text);
    if (!row || *row < 1 || *row > 1048576)
        throw CommandError("\"" + text + "\" is not a row number (1 to 1048576).");
    return *row;
}

int32_t ColumnOf(const std::string& text) {
    if (std::optional<int32_t> number = ParseInteger(text)) {
        if (*number >= 1 && *number <= 16384) return *number;
    } else if (int32_t column = ColumnNumber(text)) {
        return column;
    }
    throw CommandError("\"" + text + "\" is not a column (A to XFD, or 1 to 16384).");
}

template <class Parse>
LineRange ParseLineRange(const std::string& text, Parse&& parse) {
    const size_t colon = text.find(':');
    const int32_t first = parse(text.substr(0, colon));
    const int32_t last = colon == std::string::npos ? first : parse(text.substr(colon + 1));
    if (last < first)
        throw CommandError("\"" + text + "\" runs backwards; write the lower end first.");
    return {first, last - first + 1};
}

}  // namespace

CellReference ParseCellReference(const std::string& text) {
    CellReference ref;
    std::string rest = text;
    if (!rest.empty() && rest[0] == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos)
            throw CommandError("\"" + text +
                               "\" opens a workbook name with [ but does not close it.");
        ref.book = rest.substr(1, close - 1);
        rest = rest.substr(close + 1);
    }
    const size_t bang = rest.rfind('!');
    if (bang != std::string::npos) {
        std::string sheet = rest.substr(0, bang);
        if (sheet.size() >= 2 && sheet.front() == '\'' && sheet.back() == '\'') {
            std::string unquoted;
            for (size_t i = 1; i + 1 < sheet.size(); ++i) {
                unquoted += sheet[i];
                if (sheet[i] == '\'' && i + 2 < sheet.size() && sheet[i + 1] == '\'') ++i;
            }
            sheet = unquoted;
        }
        ref.sheet = sheet;
        rest = rest.substr(bang + 1);
    } else if (!ref.book.empty()) {
        throw CommandError("\"" + text + "\" names a workbook but no sheet: write [Book]Sheet!B3.");
    }
    if (rest.empty()) throw CommandError("\"" + text + "\" names no cell.");
    ref.address = rest;
    return ref;
}

void OpenReadWorkbook(sim::Excel& excel, sim::WorkbookSpec workbook, const std::string& path) {
    try {
        excel.OpenWorkbook(std::move(workbook));
    } catch (const sim::SimError& e) {
        throw CommandError(FileNameOf(path) + " cannot be opened: " + e.what() + ".");
    } catch (const host::HostError& e) {
        throw CommandError(FileNameOf(path) + " cannot be opened: the host refused: (" +
                           std::to_string(e.Number()) + ") " + e.Description() + ".");
    }
}

std::string ShownPath(const fs::path& path) {
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    if (!ec) {
        const fs::path relative = path.lexically_relative(here);
        if (!relative.empty() && *relative.begin() != "..") return relative.string();
    }
    return path.string();
}

LineRange ParseRows(const std::string& text) {
    return ParseLineRange(text, RowNumber);
}

LineRange ParseColumns(const std::string& text) {
    return ParseLineRange(text, ColumnOf);
}

Session::Session(Console& console, fs::path settingsFile)
    : console_(console),
      platform_(console, std::move(settingsFile)),
      keyboard_(excel_, platform_),
      windows_(console, keyboard_) {
    excel_.AttachClipboard(&platform_.Clipboard());
    excel_.SetCaption(kHostCaption);
    platform_.AttachWindows(&windows_);
    keyboard_.ShowHostMain();
}

Session::~Session() {
    addin_.reset();  // disconnects while the host, keyboard and windows still exist
    platform_.AttachWindows(nullptr);
}

void Session::ConnectAddin(const ConnectOptions& options) {
    if (connected_) throw CommandError("The add-in is already connected; disconnect it first.");
    if (!windows_.OpenWindows().empty())
        throw CommandError("The add-in cannot be connected while one of its windows is open.");
    const std::optional<double> version = ParseNumber(options.hostVersion);
    if (!version || *version <= 0)
        throw CommandError("\"" + options.hostVersion +
                           "\" is not a host version; write a number such as 11.0 or 16.0.");
    excel_.SetVersion(options.hostVersion);
    platform_.SetCountryOverride(options.country);
    addin_.reset();
    addin_ = std::make_unique<tessaly::Connect>(platform_);
    connection_ = options;
    connected_ = true;
    addin_->AddinInstance_OnConnection(excel_.Application(), 0, excel_.AddIn());
}

void Session::DisconnectAddin() {
    if (!connected_) throw CommandError("The add-in is not connected.");
    connected_ = false;
    // The object stays: a window of it may still be on the call stack.
    addin_->AddinInstance_OnDisconnection(0);
}

std::string Session::Open(const std::string& path) {
    sim::xlsx::ReadResult read = sim::xlsx::Read(path, readOptions_);
    if (!read) throw CommandError(read.description);
    const std::string name = read.workbook.name;
    for (const std::string& open : excel_.WorkbookNames()) {
        if (EqualsIgnoringCase(open, name))
            throw CommandError("A workbook named \"" + open +
                               "\" is already open; close it before opening " + path + ".");
    }
    OpenReadWorkbook(excel_, std::move(read.workbook), path);
    files_[name] = Absolute(path);
    return name;
}

std::string Session::New(std::optional<std::string> name) {
    if (name && name->empty()) throw CommandError("A workbook needs a name.");
    return HostAction([&] { return excel_.NewWorkbook(name); });
}

bool Session::Save(const std::string& book) {
    const std::optional<fs::path> path = PathOf(book);
    if (!path)
        throw CommandError("\"" + book + "\" has no file yet; save it with: saveas FILE.xlsx");
    if (!HostAction([&] { return excel_.SaveWorkbook(book); })) return false;
    const sim::WorkbookSpec& desc = excel_.Snapshot(book);
    sim::xlsx::WriteResult written =
        sim::xlsx::Write(path->string(), desc, path->string(), readOptions_.budget);
    if (!written) throw CommandError(written.description);
    return true;
}

bool Session::SaveAs(const std::string& book, const std::string& path) {
    const std::string newName = FileNameOf(path);
    if (!EndsWithXlsx(newName))
        throw CommandError("Workbooks are saved as .xlsx files; give a file name ending in .xlsx.");
    for (const std::string& open : excel_.WorkbookNames()) {
        if (EqualsIgnoringCase(open, newName) && !EqualsIgnoringCase(open, book))
            throw CommandError("Another open workbook is named \"" + open +
                               "\"; close it before saving as " + path + ".");
    }
    const std::optional<fs::path> source = PathOf(book);
    if (!HostAction([&] { return excel_.SaveWorkbookAs(book, newName); })) return false;
    const sim::WorkbookSpec& desc = excel_.Snapshot(newName);
    sim::xlsx::WriteResult written = sim::xlsx::Write(source ? source->string() : std::string(),
                                                      desc, path, readOptions_.budget);
    if (!written) {
        // Nothing was written: the workbook keeps its name and its file.
        if (newName != book) excel_.RenameWorkbook(newName, book);
        throw CommandError(written.description);
    }
    files_.erase(book);
    files_[newName] = Absolute(path);
    return true;
}

void Session::Close(const std::string& book) {
    HostAction([&] { excel_.CloseWorkbook(book); });
    files_.erase(book);
}

void Session::Activate(const std::string& book) {
    HostAction([&] { excel_.ActivateWorkbook(book); });
}

std::optional<fs::path> Session::PathOf(const std::string& book) const {
    for (const auto& [name, path] : files_)
        if (EqualsIgnoringCase(name, book)) return path;
    return std::nullopt;
}

std::string Session::Book(const std::string& name) const {
    if (name.empty()) {
        const std::string active = excel_.ActiveWorkbookName();
        if (active.empty())
            throw CommandError(excel_.WorkbookNames().empty() ? "No workbook is open."
                                                              : "No workbook is active.");
        return active;
    }
    for (const std::string& open : excel_.WorkbookNames())
        if (EqualsIgnoringCase(open, name)) return open;
    throw CommandError("No open workbook is named \"" + name + "\".");
}

std::string Session::Sheet(const std::string& book, const std::string& name) const {
    if (name.empty()) {
        if (book != excel_.ActiveWorkbookName())
            throw CommandError("Name the sheet of \"" + book +
                               "\": it is not the active workbook.");
        return excel_.ActiveSheetName();
    }
    for (const sim::SheetInfo& sheet : excel_.Workbook(book).sheets)
        if (EqualsIgnoringCase(sheet.name, name)) return sheet.name;
    throw CommandError("\"" + book + "\" has no sheet named \"" + name + "\".");
}

bool Session::IsWorksheet(const std::string& book, const std::string& sheet) const {
    for (const sim::SheetInfo& info : excel_.Workbook(book).sheets)
        if (info.name == sheet) return info.kind == sim::SheetKind::Worksheet;
    return false;
}

}  // namespace app
