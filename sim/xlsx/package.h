#pragma once

// The pieces shared by the .xlsx reader and writer: the zip archive, XML helpers that
// match elements by local name (so prefixed documents read the same), relationships,
// cell references and the text escapes of SpreadsheetML.

#include <zip.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "sim/workbook_description.h"
#include "sim/xlsx/xlsx.h"
#include "text/references.h"

namespace sim::xlsx::detail {

// Thrown inside the reader and writer and turned into a result at their boundary.
struct PackageError {
    Status status;
    std::string description;
};

[[noreturn]] void Fail(Status status, std::string description);

// The file name without its folders, as messages and workbook names show it.
std::string FileNameOf(const std::string& path);

// ---- Zip archive (read side) ----

class ZipArchive {
  public:
    // Opens path read-only; displayName is the file name used in messages.
    ZipArchive(const std::string& path, std::string displayName);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    zip_t* Handle() const { return zip_; }
    const std::string& DisplayName() const { return displayName_; }
    int64_t EntryCount() const;
    std::string EntryName(int64_t index) const;
    // Part names are compared without regard to case, as the package format wants.
    std::optional<int64_t> Find(const std::string& part) const;
    bool Has(const std::string& part) const { return Find(part).has_value(); }
    // The exact entry name under which part is stored (part itself when absent).
    std::string StoredName(const std::string& part) const;
    // The whole uncompressed content; MissingPart or DamagedPart when it cannot be had,
    // and DamagedPart when it would be more than limit bytes.
    std::string Read(const std::string& part, uint64_t limit = kMaxTreePartSize) const;
    // The content in chunks of at most 64 KiB, handed to take in order. overLimit is
    // called (and must throw) when the part would be more than limit bytes; it is told
    // so before reading when the stated size says so, else once the data reaches it.
    void Stream(const std::string& part, uint64_t limit,
                const std::function<void(std::string_view)>& take,
                const std::function<void()>& overLimit) const;
    // The stated uncompressed size and CRC-32 of a part (0 for a part that is missing).
    uint64_t SizeOf(const std::string& part) const;
    uint32_t CrcOf(const std::string& part) const;

    // Parts read whole and parsed into a tree (the workbook part, relationships, content
    // types, document properties, chart sheets) stay far below this in anything a
    // spreadsheet application writes; a bigger one is a damaged size field or a bomb.
    // Sheet data and shared strings are streamed and counted against the read's budget.
    static constexpr uint64_t kMaxTreePartSize = 256u * 1024u * 1024u;

  private:
    zip_t* zip_ = nullptr;
    std::string displayName_;
};

// ---- Compound files ----

// What an OLE compound file at path holds, told apart by the names of its streams: an
// encrypted package (EncryptionInfo), a legacy binary workbook (Workbook or Book), or
// something else. NotCompound when the file does not start with the compound magic.
enum class CompoundKind { NotCompound, Encrypted, LegacyWorkbook, Other };
CompoundKind SniffCompoundFile(const std::string& path);

// ---- XML ----

// A streaming parse of one part (expat over chunks of the zip stream): no tree is built,
// so a sheet of millions of cells costs no more memory than one cell. Subclasses get
// elements with their local names and attributes, and character data.
class XmlStream {
  public:
    XmlStream(std::string file, std::string part);
    virtual ~XmlStream();
    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    // Parses the whole part; MalformedXml naming file, part, line and fault.
    void Run(const ZipArchive& zip, uint64_t limit, const std::function<void()>& overLimit);

  protected:
    // attributes: name, value, name, value, ..., nullptr (as expat gives them).
    virtual void Start(std::string_view localName, const char** attributes) = 0;
    virtual void End(std::string_view localName) = 0;
    virtual void Text(std::string_view) {}
    // The value of the unprefixed attribute localName, or nullptr.
    static const char* AttributeOf(const char** attributes, std::string_view localName);
    static bool IsTrueValue(const char* value);  // "1" or "true"
    const std::string& File() const { return file_; }
    // Bytes of the part's XML passed so far, during a callback.
    uint64_t BytesRead() const;
    // Where the markup of the current event lies in the part: its first byte and its
    // length (0 for the end of an element written empty, as <c/>).
    uint64_t EventOffset() const { return BytesRead(); }
    size_t EventLength() const;
    // The qualified name of the element of the current Start or End.
    std::string_view QualifiedName() const { return qualifiedName_; }
    // Each chunk of the part, just before the parser sees it.
    virtual void Input(std::string_view) {}

  private:
    struct Parser;
    std::string file_, part_;
    std::unique_ptr<Parser> parser_;
    std::string_view qualifiedName_;
};

std::string_view LocalName(const char* qualifiedName);
std::string_view PrefixOf(const char* qualifiedName);
pugi::xml_node Child(pugi::xml_node parent, std::string_view localName);
std::vector<pugi::xml_node> Children(pugi::xml_node parent, std::string_view localName);
pugi::xml_attribute Attr(pugi::xml_node node, std::string_view localName);
// The relationship id attribute (r:id), whatever its prefix.
std::string RelationshipIdOf(pugi::xml_node node);
bool IsTrue(pugi::xml_attribute attribute);  // "1" or "true"

// Parses a part; MalformedXml naming the file, part, line and fault when it is not XML.
void ParseXml(pugi::xml_document& doc, const std::string& bytes, const std::string& file,
              const std::string& part);
std::string SerializeXml(const pugi::xml_document& doc);
pugi::xml_node AddDeclaration(pugi::xml_document& doc);

// ---- Relationships ----

struct Relationship {
    std::string id;
    std::string type;    // full type URI
    std::string target;  // part name, resolved against the source part
    bool external = false;
};

std::string RelationshipsPartOf(const std::string& part);
std::string ResolvePartName(const std::string& sourcePart, const std::string& target);
// The last segment of a relationship type: "worksheet", "officeDocument"...
std::string_view RelationshipKind(const std::string& type);
// The custom properties relationship, in either flavour of the format.
bool IsCustomPropertiesRelationship(const std::string& type);

// The two flavours of the format name the same things with different URIs. Strict's are
// those of ISO/IEC 29500-1 (Strict) and ECMA-376-1 in its Strict conformance: the
// relationship types under http://purl.oclc.org/ooxml/officeDocument/relationships/ (the
// custom file properties part, 15.2.12.2: .../customProperties), the custom properties
// namespace http://purl.oclc.org/ooxml/officeDocument/customProperties and the variant
// types http://purl.oclc.org/ooxml/officeDocument/docPropsVTypes. Content types are the
// same in both.
struct Flavour {
    const char* relationshipsNamespace;  // of r:id, and the base of relationship types
    const char* customPropertiesType;
    const char* customPropertiesNamespace;
    const char* variantTypesNamespace;
};
extern const Flavour kTransitional;
extern const Flavour kStrict;
// A package is Strict when its main document relationship is.
const Flavour& FlavourOfMainRelationship(const std::string& type);
std::vector<Relationship> ReadRelationships(const ZipArchive& zip, const std::string& part);

// ---- Cell references ----

constexpr int32_t kMaxRow = 1048576;
constexpr int32_t kMaxColumn = 16384;

// Parses "B3", "$B$3", "b3"; false for anything else or out of the sheet's bounds.
bool ParseCellReference(std::string_view text, int32_t& row, int32_t& column);
// A whole number in [low, high] (0 <= low) as the schema's unsigned integers are written:
// digits, an optional '+', white space around; nothing for anything else. The reader and
// the editor take row numbers through this one door, so they never place a row apart.
std::optional<int64_t> ParseWholeNumber(std::string_view text, int64_t low, int64_t high);

// Where the rows and cells of a sheetData stand as they stream by: explicit or implied
// numbers, out of order, invalid ones skipped. The reader and a save's editor both place
// cells through this one class, so an edit lands on the very cell that was read.
class CellPositions {
  public:
    // A row element starts (its r attribute or nullptr); true when its cells are read.
    bool StartRow(const char* r);
    // A cell element of the row starts; true when it is read, at Row(), Column().
    bool StartCell(const char* r);
    // A row ends, or an element that is no row starts: no cell is taken there.
    void LeaveRow() { rowValid_ = false; }
    int32_t Row() const { return row_; }
    int32_t Column() const { return column_; }

  private:
    int32_t row_ = 0, column_ = 0;
    bool rowValid_ = false;
};
using tessaly::ColumnLetters;
std::string CellName(int32_t row, int32_t column);      // "B3"
std::string NormalizedCellName(std::string_view text);  // "" when not a cell reference

// Parses "Sheet1!$B$3", "'My Sheet'!$B$2:$D$4" into sheet and address; false for any
// other formula (several areas, whole rows or columns, functions, external books).
bool ParseSheetReference(std::string_view formula, std::string& sheet, std::string& address);

// ---- Text ----

// SpreadsheetML writes characters XML cannot hold as _xHHHH_.
std::string DecodeEscapes(std::string_view text);
// Encodes what XML cannot hold and repairs invalid UTF-8, so any text can be written.
std::string EncodeEscapes(std::string_view text);

// Column width in characters of the default font to points, and back, roughly as the
// host converts them (seven pixels a character plus five of padding, 0.75 pt a pixel).
double ColumnWidthToPoints(double characters);
double PointsToColumnWidth(double points);

// ---- The package as read ----

struct SheetSource {
    std::string part;  // the sheet's part name
    SheetKind kind = SheetKind::Worksheet;
};

struct LoadedPackage {
    std::unique_ptr<ZipArchive> zip;
    std::string workbookPart;
    std::vector<SheetSource> sheets;   // parallel to workbook.sheets
    std::string sharedStringsPart;     // empty when the package has none
    std::string customPropertiesPart;  // empty when the package has none
    const Flavour* flavour = &kTransitional;
    WorkbookSpec workbook;

    // The shared strings part's checksum as the zip records it (0 when there is none):
    // a sheet's cells read as they were only beside the same strings.
    uint32_t SharedStringsCrc() const {
        return sharedStringsPart.empty() ? 0 : zip->CrcOf(sharedStringsPart);
    }
};

// The package's parts and its workbook: with options.cells the sheets' contents too
// (refused beyond options.budget), without them only the sheet list, kinds, names and
// document properties, and no sheet part is opened.
LoadedPackage LoadPackage(const std::string& path, const ReadOptions& options);

// 1234567 as "1,234,567", as the budget's sentences write their limits.
std::string Thousands(uint64_t n);

// A package's shared strings in one buffer: a table of millions of short strings costs
// their bytes and eight more each, not a string object each.
// The strings in one block the sheets' cell tables point into, so a string costs one
// copy however many cells of however many sheets show it.
class SharedStrings {
  public:
    SharedStrings() : text_(std::make_shared<std::string>()) {}
    // A copy would share the growing buffer cells point into; moving hands it on.
    SharedStrings(const SharedStrings&) = delete;
    SharedStrings& operator=(const SharedStrings&) = delete;
    SharedStrings(SharedStrings&&) = default;
    SharedStrings& operator=(SharedStrings&&) = default;
    size_t Size() const { return ends_.size(); }
    std::string_view operator[](size_t index) const;
    // Where the string at index lies in Block().
    std::pair<size_t, size_t> Span(size_t index) const;
    const CellTable::SharedTexts& Block() const { return block_; }
    void Add(std::string_view text);
    // No more strings come: the block is trimmed to what it holds.
    void Finish();

  private:
    std::shared_ptr<std::string> text_;
    CellTable::SharedTexts block_ = text_;
    std::vector<uint64_t> ends_;
};

// The shared strings part, streamed; limit as for ZipArchive::Stream; overItems is
// called (and should throw) when the part holds more than maxItems strings.
SharedStrings ReadSharedStrings(const ZipArchive& zip, const std::string& part, uint64_t limit,
                                const std::function<void()>& overLimit, uint64_t maxItems,
                                const std::function<void()>& overItems);

// Streams a worksheet part into desc: hidden rows and columns, sizes, protection, active
// cell and values; onCell is told of each cell read with the bytes of the part read so
// far (and may throw to stop). The sheet's source mark is set. InvalidContent, naming
// file, for a cell given twice.
void ReadWorksheet(const ZipArchive& zip, const std::string& part,
                   const SharedStrings& sharedStrings, SheetSpec& desc, uint64_t limit,
                   const std::function<void()>& overLimit,
                   const std::function<void(uint64_t bytesRead)>& onCell);

// ---- Editing a worksheet ----

std::string Qualified(const std::string& prefix, const char* localName);  // "x:c" or "c"

// Puts text into a cell element that has no value yet: a number, a Boolean or an
// inline string. valueBefore is where the value belongs among the cell's children.
void SetCellValue(pugi::xml_node cell, const std::string& prefix, const std::string& text,
                  pugi::xml_node valueBefore);

struct CellChange {
    int32_t row, column;
    std::string text;  // empty to clear the cell
};

struct SheetEdit {
    std::string bytes;            // the part with the changes made
    bool removedFormula = false;  // a changed cell held a formula
};

// The worksheet part with the changes made, streamed twice and never held as a tree:
// rows and cells nothing changed keep their bytes. A changed cell is the one the reader
// takes at that position; a new one goes among the cells and rows in order, with the
// rows it joins losing their spans; typed-over formulas go, and with a shared one's
// master the formula of the cells that shared it; the dimension grows over new cells;
// a missing sheetData is put where the schema wants it. limit as for ZipArchive::Stream.
SheetEdit EditWorksheet(const ZipArchive& zip, const std::string& part,
                        const std::vector<CellChange>& changes, uint64_t limit,
                        const std::function<void()>& overLimit);

}  // namespace sim::xlsx::detail
