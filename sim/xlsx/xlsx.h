#pragma once

// Reading and writing .xlsx packages for the simulated host. Read turns a file into the
// plain WorkbookSpec the host opens; Write saves a WorkbookSpec back, changing only the
// custom document properties and the cells that differ from the source file, and
// copying every other part of the package as it was.
//
// Neither throws on bad input: a result carries a status and one sentence, naming the
// file, the part and the fault, fit to show to a user.

#include <cstdint>
#include <functional>
#include <string>

#include "sim/workbook_description.h"

namespace sim::xlsx {

enum class Status {
    Ok,
    CannotOpen,         // missing file, no permission, unreadable
    NotZip,             // not a zip archive (or a truncated one)
    NotWorkbook,        // a zip archive without a spreadsheet in it
    DamagedPart,        // a part that cannot be decompressed or is too large
    MalformedXml,       // a part that is not well-formed XML
    MissingPart,        // a part named by a relationship is not in the package
    InvalidContent,     // well-formed XML that does not say what a workbook must
    UnsupportedChange,  // the workbook changed in a way this writer cannot save
    WriteFailed,        // the destination could not be written
    ReadOnly,           // the destination is a file this user must not replace
    PasswordProtected,  // an encrypted workbook (a compound file holding EncryptionInfo)
    UnsupportedFormat,  // a legacy binary workbook (.xls) or another compound file
    OverBudget,         // more cells or XML than the read's budget allows
};

// What a read may cost at most. Memory grows with the cells kept and time with the XML
// parsed, so a workbook beyond either limit is refused before it can exhaust memory.
// At the defaults the cells cost at most about 640 MB (16 bytes each, twice while the
// table grows), their texts no more than the XML they were read from, and each shared
// string 8 bytes beside its text, and 8 more in each sheet that shows it.
struct Budget {
    static constexpr uint64_t kDefaultMaxCells = 20'000'000;
    static constexpr uint64_t kDefaultMaxXmlBytes = 4ull << 30;  // uncompressed sheet XML
    uint64_t maxCells = kDefaultMaxCells;
    uint64_t maxXmlBytes = kDefaultMaxXmlBytes;
    // A table of more shared strings than cells is damage or an attack: one string a
    // cell is the most a workbook needs. A small table costs nothing whatever the budget,
    // so under a tight one the sheet is named, not the table.
    uint64_t MaxSharedStrings() const { return maxCells > kFewStrings ? maxCells : kFewStrings; }
    static constexpr uint64_t kFewStrings = 1 << 16;
};

// How far a read has come: told at each sheet's start, then now and then while its cells
// stream in, and once more at the end, however the read ends, with fraction 1.
struct ReadProgress {
    std::string sheet;  // the sheet being read
    size_t sheetIndex;  // 0-based
    size_t sheetCount;
    double fraction;  // of the whole workbook's sheet XML, 0 to 1
};

struct ReadOptions {
    // Without cells only the workbook part (the sheet list and kinds, the names) and the
    // document properties are read: no sheet part is opened.
    bool cells = true;
    Budget budget;
    std::function<void(const ReadProgress&)> progress;
};

struct ReadResult {
    Status status = Status::Ok;
    std::string description;  // empty when status is Ok
    WorkbookSpec workbook;

    explicit operator bool() const { return status == Status::Ok; }
};

struct WriteResult {
    Status status = Status::Ok;
    std::string description;

    explicit operator bool() const { return status == Status::Ok; }
};

// Opens the package at path. The workbook's name is the file name without folders.
ReadResult Read(const std::string& path, const ReadOptions& options = {});

// Saves desc to destPath. sourcePath is the package the workbook was opened from, or
// empty for a new workbook. destPath may equal sourcePath. The destination is replaced
// only once the new package is complete, and never when it is read-only; on failure
// nothing on disk changes (temporaries left by saves that were killed go).
// A sheet whose cells changed is read again from the source within budget.
WriteResult Write(const std::string& sourcePath, const WorkbookSpec& desc,
                  const std::string& destPath, const Budget& budget = {});

}  // namespace sim::xlsx
