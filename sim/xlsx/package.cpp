#include "sim/xlsx/package.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <set>
#include <sstream>

#include <expat.h>

namespace sim::xlsx::detail {

namespace {

std::string ZipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// The entry's stat, when libzip knows every field of wanted for it.
std::optional<zip_stat_t> StatOf(zip_t* zip, int64_t index, zip_uint64_t wanted) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
        (stat.valid & wanted) != wanted) {
        return std::nullopt;
    }
    return stat;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Length of the valid UTF-8 sequence starting at text[i], or 0 when it is invalid.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    uint32_t codePoint = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF) return 0;
    if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return 0;
    return length;
}

bool StartsWithEscape(std::string_view text, size_t i) {
    return i + 7 <= text.size() && text[i] == '_' && text[i + 1] == 'x' &&
           IsHexDigit(text[i + 2]) && IsHexDigit(text[i + 3]) && IsHexDigit(text[i + 4]) &&
           IsHexDigit(text[i + 5]) && text[i + 6] == '_';
}

}  // namespace

void Fail(Status status, std::string description) {
    throw PackageError{status, std::move(description)};
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ---- Zip archive ----

ZipArchive::ZipArchive(const std::string& path, std::string displayName)
    : displayName_(std::move(displayName)) {
    int code = 0;
    zip_ = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (zip_ != nullptr) return;
    const int savedErrno = errno;
    switch (code) {
        case ZIP_ER_NOENT:
            Fail(Status::CannotOpen, displayName_ + " cannot be opened: there is no such file.");
        case ZIP_ER_OPEN:
        case ZIP_ER_READ:
        case ZIP_ER_SEEK:
            Fail(Status::CannotOpen, displayName_ + " cannot be opened: " +
                                         std::strerror(savedErrno ? savedErrno : EIO) + ".");
        case ZIP_ER_NOZIP:
            Fail(Status::NotZip, displayName_ +
                                     " is not a workbook: it is not a zip archive (or it is "
                                     "truncated).");
        case ZIP_ER_INCONS:
            Fail(Status::NotZip, displayName_ +
                                     " is not a workbook: its zip archive is damaged or "
                                     "truncated.");
        default:
            Fail(Status::CannotOpen,
                 displayName_ + " cannot be opened: " + ZipErrorText(code) + ".");
    }
}

ZipArchive::~ZipArchive() {
    if (zip_ != nullptr) zip_discard(zip_);
}

int64_t ZipArchive::EntryCount() const {
    return zip_get_num_entries(zip_, 0);
}

std::string ZipArchive::EntryName(int64_t index) const {
    const char* name = zip_get_name(zip_, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
    return name != nullptr ? name : std::string();
}

std::optional<int64_t> ZipArchive::Find(const std::string& part) const {
    const zip_int64_t index = zip_name_locate(zip_, part.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_RAW);
    if (index < 0) return std::nullopt;
    return index;
}

std::string ZipArchive::StoredName(const std::string& part) const {
    const auto index = Find(part);
    return index ? EntryName(*index) : part;
}

std::string ZipArchive::Read(const std::string& part, uint64_t limit) const {
    std::string bytes;
    const uint64_t stated = SizeOf(part);
    if (stated <= limit) bytes.reserve(static_cast<size_t>(stated));
    Stream(
        part, limit, [&](std::string_view chunk) { bytes.append(chunk); },
        [&] {
            Fail(Status::DamagedPart, displayName_ + ": the part " + part + " claims " +
                                          std::to_string(std::max(stated, limit + 1)) +
                                          " bytes, more than a workbook part can hold.");
        });
    return bytes;
}

void ZipArchive::Stream(const std::string& part, uint64_t limit,
                        const std::function<void(std::string_view)>& take,
                        const std::function<void()>& overLimit) const {
    const auto index = Find(part);
    if (!index) Fail(Status::MissingPart, displayName_ + ": the part " + part + " is missing.");
    const std::optional<zip_stat_t> stated = StatOf(zip_, *index, ZIP_STAT_SIZE);
    if (!stated) {
        Fail(Status::DamagedPart, displayName_ + ": the part " + part + " cannot be read.");
    }
    const zip_stat_t& stat = *stated;
    if (stat.size > limit) overLimit();
    zip_file_t* file = zip_fopen_index(zip_, static_cast<zip_uint64_t>(*index), 0);
    if (file == nullptr) {
        Fail(Status::DamagedPart,
             displayName_ + ": the part " + part + " cannot be read (" + zip_strerror(zip_) + ").");
    }
    const std::unique_ptr<zip_file_t, decltype(&zip_fclose)> owner(file, &zip_fclose);
    std::string chunk(1 << 16, '\0');
    zip_uint64_t done = 0;
    zip_int64_t n = 0;
    // Reading on past the stated size tells a lying size field apart from the end.
    while ((n = zip_fread(file, chunk.data(), chunk.size())) > 0) {
        done += static_cast<zip_uint64_t>(n);
        if (done > limit) overLimit();
        if (done > stat.size) break;
        take(std::string_view(chunk.data(), static_cast<size_t>(n)));
    }
    if (n < 0 || done != stat.size) {
        std::string fault = n < 0 ? zip_file_strerror(file) : std::string();
        if (fault.empty() || fault == "No error") fault = "its size does not match its data";
        Fail(Status::DamagedPart,
             displayName_ + ": the part " + part + " is damaged (" + fault + ").");
    }
}

uint64_t ZipArchive::SizeOf(const std::string& part) const {
    const auto index = Find(part);
    const auto stat = index ? StatOf(zip_, *index, ZIP_STAT_SIZE) : std::nullopt;
    return stat ? stat->size : 0;
}

uint32_t ZipArchive::CrcOf(const std::string& part) const {
    const auto index = Find(part);
    const auto stat = index ? StatOf(zip_, *index, ZIP_STAT_CRC) : std::nullopt;
    return stat ? stat->crc : 0;
}

// ---- Compound files ----

namespace {

uint32_t Le32(const std::string& b, size_t at) {
    if (at + 4 > b.size()) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

}  // namespace

CompoundKind SniffCompoundFile(const std::string& path) {
    static constexpr unsigned char kMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::ifstream in(path, std::ios::binary);
    std::string header(512, '\0');
    if (!in.read(header.data(), 512) || std::memcmp(header.data(), kMagic, sizeof kMagic) != 0) {
        return CompoundKind::NotCompound;
    }
    const unsigned shift = static_cast<unsigned char>(header[30]) |
                           static_cast<unsigned>(static_cast<unsigned char>(header[31])) << 8;
    if (shift != 9 && shift != 12) return CompoundKind::Other;
    const size_t sectorSize = size_t{1} << shift;
    const auto readSector = [&](uint32_t sector) {
        std::string bytes(sectorSize, '\0');
        in.clear();
        in.seekg(static_cast<std::streamoff>((uint64_t{sector} + 1) * sectorSize));
        if (!in.read(bytes.data(), static_cast<std::streamsize>(sectorSize))) bytes.clear();
        return bytes;
    };
    // The allocation table from the sectors the header lists (enough for the directory
    // of any file that is a workbook or its encrypted wrapper), then the directory chain.
    std::vector<uint32_t> fat;
    for (size_t i = 0; i < 109; ++i) {
        const uint32_t sector = Le32(header, 76 + 4 * i);
        if (sector >= 0xFFFFFFFAu) break;
        const std::string bytes = readSector(sector);
        for (size_t k = 0; k + 4 <= bytes.size(); k += 4) fat.push_back(Le32(bytes, k));
    }
    std::set<std::string> names;
    std::set<uint32_t> seen;
    for (uint32_t sector = Le32(header, 48); sector < 0xFFFFFFFAu && seen.insert(sector).second;
         sector = sector < fat.size() ? fat[sector] : 0xFFFFFFFEu) {
        const std::string bytes = readSector(sector);
        for (size_t entry = 0; entry + 128 <= bytes.size(); entry += 128) {
            const size_t length = std::min<size_t>(
                64, static_cast<unsigned char>(bytes[entry + 64]) |
                        static_cast<size_t>(static_cast<unsigned char>(bytes[entry + 65])) << 8);
            std::string name;
            for (size_t k = 0; k + 1 < length; k += 2) {
                const char c = bytes[entry + k];
                if (c == '\0' && bytes[entry + k + 1] == '\0') break;
                name += bytes[entry + k + 1] == '\0' ? c : '?';
            }
            names.insert(name);
        }
    }
    if (names.count("EncryptionInfo")) return CompoundKind::Encrypted;
    if (names.count("Workbook") || names.count("Book")) return CompoundKind::LegacyWorkbook;
    return CompoundKind::Other;
}

// ---- XML ----

struct XmlStream::Parser {
    XML_Parser handle = nullptr;
    XmlStream* owner = nullptr;
    std::string fault;  // set when the parse was stopped for a reason of ours
    // What a handler threw. It must not unwind through expat's C frames (expat then
    // leaks what it holds), so it is kept, the parse stopped, and thrown again after.
    std::exception_ptr thrown;

    template <class F>
    static void Guarded(void* data, F&& handle) {
        auto* self = static_cast<Parser*>(data);
        if (self->thrown) return;  // expat may call on after a stop
        try {
            handle(*self->owner);
        } catch (...) {
            self->thrown = std::current_exception();
            XML_StopParser(self->handle, XML_FALSE);
        }
    }
};

XmlStream::XmlStream(std::string file, std::string part)
    : file_(std::move(file)), part_(std::move(part)), parser_(std::make_unique<Parser>()) {}

XmlStream::~XmlStream() {
    if (parser_->handle != nullptr) XML_ParserFree(parser_->handle);
}

std::string Thousands(uint64_t n) {
    std::string digits = std::to_string(n);
    for (auto i = static_cast<ptrdiff_t>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, ",");
    return digits;
}

uint64_t XmlStream::BytesRead() const {
    const XML_Index at = parser_->handle ? XML_GetCurrentByteIndex(parser_->handle) : 0;
    return at > 0 ? static_cast<uint64_t>(at) : 0;
}

size_t XmlStream::EventLength() const {
    const int count = parser_->handle ? XML_GetCurrentByteCount(parser_->handle) : 0;
    return count > 0 ? static_cast<size_t>(count) : 0;
}

std::pair<size_t, size_t> SharedStrings::Span(size_t index) const {
    const uint64_t begin = index == 0 ? 0 : ends_[index - 1];
    return {static_cast<size_t>(begin), static_cast<size_t>(ends_[index] - begin)};
}

std::string_view SharedStrings::operator[](size_t index) const {
    const auto [begin, length] = Span(index);
    return std::string_view(*text_).substr(begin, length);
}

void SharedStrings::Add(std::string_view text) {
    text_->append(text);
    ends_.push_back(text_->size());
}

void SharedStrings::Finish() {
    // The block outlives the read in the sheets' cells, and so would the slack of its
    // growth; trimming copies the block, so only slack worth a copy is trimmed.
    if (text_->capacity() - text_->size() > text_->size() / 8) text_->shrink_to_fit();
    ends_.shrink_to_fit();
}

void XmlStream::Run(const ZipArchive& zip, uint64_t limit, const std::function<void()>& overLimit) {
    // Expat rather than a tree: it takes the part in the chunks the zip stream gives and
    // keeps nothing of what it has passed, it is a Debian package of long standing, and
    // it refuses entity expansion attacks itself (on top of the refusal of any entity
    // declaration below). pugixml stays for the small parts that are edited as trees.
    XML_Parser p = XML_ParserCreate(nullptr);
    if (p == nullptr) throw std::bad_alloc();
    parser_->handle = p;
    parser_->owner = this;
    XML_SetUserData(p, parser_.get());
    XML_SetElementHandler(
        p,
        [](void* data, const XML_Char* name, const XML_Char** attributes) {
            Parser::Guarded(data, [&](XmlStream& s) {
                s.qualifiedName_ = name;
                s.Start(LocalName(name), attributes);
            });
        },
        [](void* data, const XML_Char* name) {
            Parser::Guarded(data, [&](XmlStream& s) {
                s.qualifiedName_ = name;
                s.End(LocalName(name));
            });
        });
    XML_SetCharacterDataHandler(p, [](void* data, const XML_Char* text, int length) {
        Parser::Guarded(data, [&](XmlStream& s) {
            s.Text(std::string_view(text, static_cast<size_t>(length)));
        });
    });
    XML_SetEntityDeclHandler(
        p, [](void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
              const XML_Char*, const XML_Char*, const XML_Char*) {
            auto* self = static_cast<Parser*>(data);
            self->fault = "it declares entities";
            XML_StopParser(self->handle, XML_FALSE);
        });
    // Attribute defaults declared in a DOCTYPE would give cells attributes no element
    // shows (a type, say), read one way here and written another by an edit.
    XML_SetAttlistDeclHandler(
        p, [](void* data, const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*, int) {
            auto* self = static_cast<Parser*>(data);
            self->fault = "it declares attribute defaults";
            XML_StopParser(self->handle, XML_FALSE);
        });
    const auto check = [&](XML_Status status) {
        if (parser_->thrown) std::rethrow_exception(parser_->thrown);
        if (status == XML_STATUS_OK) return;
        const std::string what =
            !parser_->fault.empty() ? parser_->fault : XML_ErrorString(XML_GetErrorCode(p));
        Fail(Status::MalformedXml, file_ + ": " + part_ + " is not well-formed XML (line " +
                                       std::to_string(XML_GetCurrentLineNumber(p)) + ", column " +
                                       std::to_string(XML_GetCurrentColumnNumber(p) + 1) + ": " +
                                       what + ").");
    };
    zip.Stream(
        part_, limit,
        [&](std::string_view chunk) {
            Input(chunk);
            check(XML_Parse(p, chunk.data(), static_cast<int>(chunk.size()), XML_FALSE));
        },
        overLimit);
    check(XML_Parse(p, nullptr, 0, XML_TRUE));
}

const char* XmlStream::AttributeOf(const char** attributes, std::string_view localName) {
    for (const char** a = attributes; a != nullptr && *a != nullptr; a += 2) {
        if (PrefixOf(a[0]).empty() && std::string_view(a[0]) == localName) return a[1];
    }
    return nullptr;
}

bool XmlStream::IsTrueValue(const char* value) {
    return value != nullptr &&
           (std::string_view(value) == "1" || std::string_view(value) == "true");
}

std::string_view LocalName(const char* qualifiedName) {
    std::string_view name(qualifiedName);
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view PrefixOf(const char* qualifiedName) {
    std::string_view name(qualifiedName);
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

pugi::xml_node Child(pugi::xml_node parent, std::string_view localName) {
    for (pugi::xml_node child : parent.children()) {
        if (child.type() == pugi::node_element && LocalName(child.name()) == localName) {
            return child;
        }
    }
    return {};
}

std::vector<pugi::xml_node> Children(pugi::xml_node parent, std::string_view localName) {
    std::vector<pugi::xml_node> found;
    for (pugi::xml_node child : parent.children()) {
        if (child.type() == pugi::node_element && LocalName(child.name()) == localName) {
            found.push_back(child);
        }
    }
    return found;
}

pugi::xml_attribute Attr(pugi::xml_node node, std::string_view localName) {
    for (pugi::xml_attribute attribute : node.attributes()) {
        if (PrefixOf(attribute.name()).empty() && attribute.name() == localName) {
            return attribute;
        }
    }
    return {};
}

std::string RelationshipIdOf(pugi::xml_node node) {
    for (pugi::xml_attribute attribute : node.attributes()) {
        const auto prefix = PrefixOf(attribute.name());
        if (!prefix.empty() && prefix != "xmlns" && LocalName(attribute.name()) == "id") {
            return attribute.value();
        }
    }
    return {};
}

bool IsTrue(pugi::xml_attribute attribute) {
    const std::string_view value = attribute.value();
    return value == "1" || value == "true";
}

void ParseXml(pugi::xml_document& doc, const std::string& bytes, const std::string& file,
              const std::string& part) {
    const pugi::xml_parse_result result = doc.load_buffer(
        bytes.data(), bytes.size(),
        pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single);
    if (result) {
        if (!doc.document_element()) {
            Fail(Status::MalformedXml,
                 file + ": " + part + " is not well-formed XML (it has no root element).");
        }
        return;
    }
    const auto offset = static_cast<size_t>(std::max<ptrdiff_t>(result.offset, 0));
    size_t line = 1;
    size_t column = 1;
    for (size_t i = 0; i < offset && i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    Fail(Status::MalformedXml, file + ": " + part + " is not well-formed XML (line " +
                                   std::to_string(line) + ", column " + std::to_string(column) +
                                   ": " + result.description() + ").");
}

std::string SerializeXml(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out.str();
}

pugi::xml_node AddDeclaration(pugi::xml_document& doc) {
    pugi::xml_node declaration = doc.prepend_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    declaration.append_attribute("standalone") = "yes";
    return declaration;
}

// ---- Relationships ----

std::string RelationshipsPartOf(const std::string& part) {
    const auto slash = part.find_last_of('/');
    if (slash == std::string::npos) return "_rels/" + part + ".rels";
    return part.substr(0, slash) + "/_rels/" + part.substr(slash + 1) + ".rels";
}

std::string ResolvePartName(const std::string& sourcePart, const std::string& target) {
    std::string decoded;
    for (size_t i = 0; i < target.size(); ++i) {
        if (target[i] == '%' && i + 2 < target.size() && IsHexDigit(target[i + 1]) &&
            IsHexDigit(target[i + 2])) {
            decoded += static_cast<char>(std::stoi(target.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += target[i];
        }
    }
    std::vector<std::string> segments;
    std::string base;
    if (!decoded.empty() && decoded[0] == '/') {
        base = decoded.substr(1);
    } else {
        const auto slash = sourcePart.find_last_of('/');
        base = (slash == std::string::npos ? std::string() : sourcePart.substr(0, slash + 1)) +
               decoded;
    }
    std::string segment;
    std::istringstream in(base);
    while (std::getline(in, segment, '/')) {
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
            continue;
        }
        segments.push_back(segment);
    }
    std::string resolved;
    for (const auto& s : segments) resolved += (resolved.empty() ? "" : "/") + s;
    return resolved;
}

std::string_view RelationshipKind(const std::string& type) {
    std::string_view view(type);
    const auto slash = view.find_last_of('/');
    return slash == std::string_view::npos ? view : view.substr(slash + 1);
}

const Flavour kTransitional = {
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/custom-properties",
    "http://schemas.openxmlformats.org/officeDocument/2006/custom-properties",
    "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes",
};

const Flavour kStrict = {
    "http://purl.oclc.org/ooxml/officeDocument/relationships",
    "http://purl.oclc.org/ooxml/officeDocument/relationships/customProperties",
    "http://purl.oclc.org/ooxml/officeDocument/customProperties",
    "http://purl.oclc.org/ooxml/officeDocument/docPropsVTypes",
};

bool IsCustomPropertiesRelationship(const std::string& type) {
    // Some writers of Strict files spell the kind as Transitional does: both are read,
    // so that a package never ends up with a second custom properties part.
    const std::string_view kind = RelationshipKind(type);
    return kind == "custom-properties" || kind == "customProperties";
}

const Flavour& FlavourOfMainRelationship(const std::string& type) {
    return type.rfind("http://purl.oclc.org/ooxml/", 0) == 0 ? kStrict : kTransitional;
}

std::vector<Relationship> ReadRelationships(const ZipArchive& zip, const std::string& part) {
    const std::string relsPart = RelationshipsPartOf(part);
    std::vector<Relationship> relationships;
    if (!zip.Has(relsPart)) return relationships;
    pugi::xml_document doc;
    ParseXml(doc, zip.Read(relsPart), zip.DisplayName(), relsPart);
    for (pugi::xml_node node : Children(doc.document_element(), "Relationship")) {
        Relationship relationship;
        relationship.id = Attr(node, "Id").value();
        relationship.type = Attr(node, "Type").value();
        relationship.external = std::string_view(Attr(node, "TargetMode").value()) == "External";
        const std::string target = Attr(node, "Target").value();
        relationship.target = relationship.external ? target : ResolvePartName(part, target);
        relationships.push_back(std::move(relationship));
    }
    return relationships;
}

// ---- Cell references ----

std::optional<int64_t> ParseWholeNumber(std::string_view text, int64_t low, int64_t high) {
    // The lexical space of xsd:unsignedInt and its kin: white space collapsed, then an
    // optional plus sign (a minus sign before zero only) and at least one digit
    // (https://www.w3.org/TR/xmlschema-2/#nonNegativeInteger).
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    const bool minus = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || minus)) text.remove_prefix(1);
    if (minus && text.find_first_not_of('0') != std::string_view::npos) return std::nullopt;
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front()))) {
        return std::nullopt;
    }
    int64_t value = 0;
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (fault != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

bool CellPositions::StartRow(const char* r) {
    rowValid_ = false;
    int32_t value = row_ + 1;
    if (r != nullptr) {
        const auto number = ParseWholeNumber(r, 1, kMaxRow);
        if (!number) return false;
        value = static_cast<int32_t>(*number);
    }
    row_ = value;
    column_ = 0;
    rowValid_ = row_ <= kMaxRow;
    return rowValid_;
}

bool CellPositions::StartCell(const char* r) {
    if (!rowValid_) return false;
    if (r == nullptr) return ++column_ <= kMaxColumn;
    int32_t row = 0;
    int32_t column = 0;
    if (!ParseCellReference(r, row, column)) return false;
    column_ = column;
    return row == row_;
}

bool ParseCellReference(std::string_view text, int32_t& row, int32_t& column) {
    size_t i = 0;
    if (i < text.size() && text[i] == '$') ++i;
    int64_t col = 0;
    size_t letters = 0;
    while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) {
        col = col * 26 + (std::toupper(static_cast<unsigned char>(text[i])) - 'A' + 1);
        ++i;
        if (++letters > 3) return false;
    }
    if (letters == 0) return false;
    if (i < text.size() && text[i] == '$') ++i;
    int64_t r = 0;
    size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        r = r * 10 + (text[i] - '0');
        ++i;
        if (++digits > 7) return false;
    }
    if (digits == 0 || i != text.size()) return false;
    if (r < 1 || r > kMaxRow || col < 1 || col > kMaxColumn) return false;
    row = static_cast<int32_t>(r);
    column = static_cast<int32_t>(col);
    return true;
}

std::string CellName(int32_t row, int32_t column) {
    return ColumnLetters(column) + std::to_string(row);
}

std::string NormalizedCellName(std::string_view text) {
    int32_t row = 0;
    int32_t column = 0;
    return ParseCellReference(text, row, column) ? CellName(row, column) : std::string();
}

bool ParseSheetReference(std::string_view formula, std::string& sheet, std::string& address) {
    size_t i = 0;
    std::string name;
    if (!formula.empty() && formula[0] == '\'') {
        i = 1;
        bool closed = false;
        while (i < formula.size()) {
            if (formula[i] == '\'') {
                if (i + 1 < formula.size() && formula[i + 1] == '\'') {
                    name += '\'';
                    i += 2;
                    continue;
                }
                closed = true;
                ++i;
                break;
            }
            name += formula[i++];
        }
        if (!closed) return false;
    } else {
        while (i < formula.size() && formula[i] != '!') {
            const char c = formula[i];
            // Anything that can start an expression means this is no plain reference.
            if (c == '(' || c == ',' || c == ' ' || c == '[' || c == ':' || c == '+') return false;
            name += c;
            ++i;
        }
    }
    if (name.empty() || i >= formula.size() || formula[i] != '!') return false;
    const std::string_view rest = formula.substr(i + 1);
    const auto colon = rest.find(':');
    int32_t row = 0;
    int32_t column = 0;
    if (colon == std::string_view::npos) {
        if (!ParseCellReference(rest, row, column)) return false;
    } else {
        if (!ParseCellReference(rest.substr(0, colon), row, column)) return false;
        if (!ParseCellReference(rest.substr(colon + 1), row, column)) return false;
    }
    sheet = std::move(name);
    address = std::string(rest);
    return true;
}

// ---- Text ----

std::string DecodeEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (StartsWithEscape(text, i)) {
            const auto codePoint =
                static_cast<uint32_t>(std::stoul(std::string(text.substr(i + 2, 4)), nullptr, 16));
            AppendUtf8(out, codePoint);
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string EncodeEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    char hex[8];
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD for a byte that is no UTF-8
            ++i;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (length == 1 && c < 0x20 && c != '\t' && c != '\n') {
            std::snprintf(hex, sizeof hex, "_x%04X_", c);
            out += hex;
        } else if (StartsWithEscape(text, i)) {
            out += "_x005F_";  // a literal "_xHHHH_" keeps its underscore
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

double ColumnWidthToPoints(double characters) {
    if (!std::isfinite(characters) || characters <= 0) return 0.0;
    return (characters * 7.0 + 5.0) * 0.75;
}

double PointsToColumnWidth(double points) {
    if (!std::isfinite(points) || points <= 0) return 0.0;
    return std::max(0.0, (points / 0.75 - 5.0) / 7.0);
}

}  // namespace sim::xlsx::detail
