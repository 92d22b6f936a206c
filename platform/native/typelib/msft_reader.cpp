#include "platform/native/typelib/msft_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "platform/raii.h"

namespace platform::typelib {
namespace {

constexpr uint32_t kMagic = 0x5446534D;  // "MSFT"
constexpr uint32_t kAbsent = 0xFFFFFFFF;
constexpr size_t kHeaderBytes = 0x54;
constexpr size_t kDirectoryEntries = 15;
constexpr size_t kTypeRecordSize = kTypeRecordBytes;
constexpr uint32_t kHasHelpStringDll = 0x100;
constexpr int kMaxTypeDepth = 16;
constexpr uint32_t kMaxArrayDimensions = 64;
constexpr size_t kRefNodeBytes = 16;
constexpr size_t kImportBytes = 12;
constexpr size_t kMinFunctionRecordBytes = 0x18;

enum Segment {
  kTypeInfoTab = 0,
  kImpInfo = 1,
  kImpFiles = 2,
  kRefTab = 3,
  kGuidTab = 5,
  kNameTab = 7,
  kStringTab = 8,
  kTypeDescTab = 9,
  kArrayDescTab = 10,
};

struct SegmentRange {
  size_t offset = 0;
  size_t length = 0;
};

class Reader {
 public:
  Reader(const BYTE* bytes, size_t size) : bytes_(bytes), size_(size) {}

  bool U32(size_t offset, uint32_t* value) const {
    if (offset > size_ || size_ - offset < 4) return false;
    *value = static_cast<uint32_t>(bytes_[offset]) | static_cast<uint32_t>(bytes_[offset + 1]) << 8 |
             static_cast<uint32_t>(bytes_[offset + 2]) << 16 |
             static_cast<uint32_t>(bytes_[offset + 3]) << 24;
    return true;
  }
  bool U16(size_t offset, uint16_t* value) const {
    if (offset > size_ || size_ - offset < 2) return false;
    *value = static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    return true;
  }
  bool Byte(size_t offset, uint8_t* value) const {
    if (offset >= size_) return false;
    *value = bytes_[offset];
    return true;
  }
  const BYTE* Span(size_t offset, size_t length) const {
    if (offset > size_ || size_ - offset < length) return nullptr;
    return bytes_ + offset;
  }

  // Reads within a segment: `offset` is relative to its start.
  bool SegmentU32(const SegmentRange& segment, size_t offset, uint32_t* value) const {
    if (offset > segment.length || segment.length - offset < 4) return false;
    return U32(segment.offset + offset, value);
  }
  bool SegmentU16(const SegmentRange& segment, size_t offset, uint16_t* value) const {
    if (offset > segment.length || segment.length - offset < 2) return false;
    return U16(segment.offset + offset, value);
  }
  const BYTE* SegmentSpan(const SegmentRange& segment, size_t offset, size_t length) const {
    if (offset > segment.length || segment.length - offset < length) return nullptr;
    return Span(segment.offset + offset, length);
  }

 private:
  const BYTE* bytes_;
  size_t size_;
};

std::u16string Widen(const BYTE* text, size_t length) {
  // Names and strings are ANSI text; the layer's ANSI code page maps every
  // byte to one UTF-16 code unit.
  std::u16string wide(length, u'\0');
  if (length > 0) {
    const int converted = MultiByteToWideChar(
        CP_ACP, 0, reinterpret_cast<LPCSTR>(text), static_cast<int>(length), &wide[0],
        static_cast<int>(length));
    wide.resize(converted > 0 ? static_cast<size_t>(converted) : 0);
  }
  return wide;
}

class LibraryParser {
 public:
  LibraryParser(const BYTE* bytes, size_t size)
      : reader_(bytes, size), size_(size), budget_(4 * size + 1024) {}

  HRESULT Parse(LibraryModel* library) {
    uint32_t magic = 0;
    if (!reader_.U32(0, &magic) || magic != kMagic || size_ < kHeaderBytes) {
      return TYPE_E_UNSUPFORMAT;
    }
    uint32_t header[kHeaderBytes / 4];
    for (size_t i = 0; i < kHeaderBytes / 4; ++i) reader_.U32(i * 4, &header[i]);
    const uint32_t varflags = header[0x14 / 4];
    const uint32_t typeCount = header[0x20 / 4];
    if (typeCount > 0xFFFF) return TYPE_E_INVDATAREAD;
    const size_t directory =
        kHeaderBytes + ((varflags & kHasHelpStringDll) ? 4 : 0) + 4 * static_cast<size_t>(typeCount);
    RETURN_IF_FAILED(ReadDirectory(directory));

    switch (varflags & 0xF) {
      case SYS_WIN16: library->syskind = SYS_WIN16; pointerSize_ = 2; break;
      case SYS_WIN32: library->syskind = SYS_WIN32; pointerSize_ = 4; break;
      case SYS_MAC: library->syskind = SYS_MAC; pointerSize_ = 4; break;
      case SYS_WIN64: library->syskind = SYS_WIN64; pointerSize_ = 8; break;
      default: return TYPE_E_UNSUPFORMAT;
    }
    RETURN_IF_FAILED(Guid(header[0x08 / 4], &library->libid));
    library->lcid = header[0x10 / 4];
    library->majorVersion = static_cast<WORD>(header[0x18 / 4] & 0xFFFF);
    library->minorVersion = static_cast<WORD>(header[0x18 / 4] >> 16);
    library->flags = static_cast<WORD>(header[0x1C / 4]);
    RETURN_IF_FAILED(OptionalString(header[0x24 / 4], &library->docString));
    library->helpContext = header[0x2C / 4];
    RETURN_IF_FAILED(OptionalName(header[0x38 / 4], &library->name));
    RETURN_IF_FAILED(OptionalString(header[0x3C / 4], &library->helpFile));
    library->dispatchHref = header[0x4C / 4];

    if (segments_[kTypeInfoTab].length / kTypeRecordSize < typeCount) return TYPE_E_INVDATAREAD;
    RETURN_IF_FAILED(ReadImports(library));
    library->types.resize(typeCount);
    for (uint32_t i = 0; i < typeCount; ++i) {
      RETURN_IF_FAILED(ReadType(i * kTypeRecordSize, &library->types[i]));
    }
    IndexTypesByGuid(library);
    return S_OK;
  }

 private:
  HRESULT ReadDirectory(size_t directory) {
    for (size_t i = 0; i < kDirectoryEntries; ++i) {
      uint32_t offset = 0, length = 0;
      if (!reader_.U32(directory + 16 * i, &offset) || !reader_.U32(directory + 16 * i + 4, &length)) {
        return TYPE_E_INVDATAREAD;
      }
      if (offset == kAbsent) continue;  // an empty segment
      if (offset > size_ || size_ - offset < length) return TYPE_E_INVDATAREAD;
      segments_[i].offset = offset;
      segments_[i].length = length;
    }
    return S_OK;
  }

  HRESULT Guid(uint32_t offset, GUID* guid) {
    if (offset == kAbsent) {
      *guid = GUID{};
      return S_OK;
    }
    const BYTE* bytes = reader_.SegmentSpan(segments_[kGuidTab], offset, 16);
    if (bytes == nullptr) return TYPE_E_INVDATAREAD;
    guid->Data1 = static_cast<uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
                  static_cast<uint32_t>(bytes[3]) << 24;
    guid->Data2 = static_cast<uint16_t>(bytes[4] | bytes[5] << 8);
    guid->Data3 = static_cast<uint16_t>(bytes[6] | bytes[7] << 8);
    std::memcpy(guid->Data4, bytes + 8, 8);
    return S_OK;
  }

  HRESULT OptionalName(uint32_t offset, std::optional<std::u16string>* name) {
    name->reset();
    if (offset == kAbsent) return S_OK;
    uint8_t length = 0;
    const BYTE* prefix = reader_.SegmentSpan(segments_[kNameTab], offset, 12);
    if (prefix == nullptr) return TYPE_E_INVDATAREAD;
    length = prefix[8];
    const BYTE* text = reader_.SegmentSpan(segments_[kNameTab], size_t{offset} + 12, length);
    if (text == nullptr || !Spend(1 + length / 4u)) return TYPE_E_INVDATAREAD;
    *name = Widen(text, length);
    return S_OK;
  }

  HRESULT OptionalString(uint32_t offset, std::optional<std::u16string>* text) {
    text->reset();
    if (offset == kAbsent) return S_OK;
    uint16_t length = 0;
    if (!reader_.SegmentU16(segments_[kStringTab], offset, &length)) return TYPE_E_INVDATAREAD;
    const BYTE* bytes = reader_.SegmentSpan(segments_[kStringTab], size_t{offset} + 2, length);
    if (bytes == nullptr || !Spend(1 + length / 4u)) return TYPE_E_INVDATAREAD;
    *text = Widen(bytes, length);
    return S_OK;
  }

  // Every decoded item is paid for from a budget in proportion to the file's
  // size, so that a small file cannot make the model huge by referring to
  // the same large description over and over.
  bool Spend(size_t items) {
    if (budget_ < items) return false;
    budget_ -= items;
    return true;
  }

  HRESULT TypeDesc(uint32_t encoded, TypeDescModel* type, int depth = 0) {
    if (depth > kMaxTypeDepth || !Spend(1)) return TYPE_E_INVDATAREAD;
    if (encoded & 0x80000000u) {  // a plain VARTYPE, held inline
      type->vt = static_cast<VARTYPE>(encoded & VT_TYPEMASK);
      return S_OK;
    }
    const SegmentRange& table = segments_[kTypeDescTab];
    uint16_t vt = 0;
    uint32_t operand = 0;
    if (!reader_.SegmentU16(table, encoded, &vt) || !reader_.SegmentU32(table, size_t{encoded} + 4, &operand)) {
      return TYPE_E_INVDATAREAD;
    }
    type->vt = static_cast<VARTYPE>(vt & VT_TYPEMASK);
    switch (type->vt) {
      case VT_PTR:
      case VT_SAFEARRAY:
        type->inner.resize(1);
        return TypeDesc(operand, &type->inner[0], depth + 1);
      case VT_USERDEFINED:
        type->href = operand;
        return S_OK;
      case VT_CARRAY:
        return ArrayDesc(operand, type, depth);
      default:
        return TYPE_E_INVDATAREAD;
    }
  }

  HRESULT ArrayDesc(uint32_t offset, TypeDescModel* type, int depth) {
    const SegmentRange& table = segments_[kArrayDescTab];
    uint32_t element = 0, dimensions = 0;
    if (!reader_.SegmentU32(table, offset, &element) ||
        !reader_.SegmentU32(table, size_t{offset} + 4, &dimensions)) {
      return TYPE_E_INVDATAREAD;
    }
    dimensions &= 0xFFFF;
    if (dimensions == 0 || dimensions > kMaxArrayDimensions || !Spend(dimensions)) {
      return TYPE_E_INVDATAREAD;
    }
    type->inner.resize(1);
    RETURN_IF_FAILED(TypeDesc(element, &type->inner[0], depth + 1));
    type->bounds.resize(dimensions);
    for (uint32_t i = 0; i < dimensions; ++i) {
      uint32_t count = 0, lower = 0;
      if (!reader_.SegmentU32(table, size_t{offset} + 8 + 8 * i, &count) ||
          !reader_.SegmentU32(table, size_t{offset} + 12 + 8 * i, &lower)) {
        return TYPE_E_INVDATAREAD;
      }
      type->bounds[i].cElements = count;
      type->bounds[i].lLbound = static_cast<LONG>(lower);
    }
    return S_OK;
  }

  HRESULT ReadImports(LibraryModel* library) {
    const SegmentRange& infos = segments_[kImpInfo];
    for (size_t offset = 0; infos.length - offset >= kImportBytes; offset += kImportBytes) {
      if (!Spend(1)) return TYPE_E_INVDATAREAD;
      uint32_t flags = 0, file = 0, target = 0;
      reader_.SegmentU32(infos, offset, &flags);
      reader_.SegmentU32(infos, offset + 4, &file);
      reader_.SegmentU32(infos, offset + 8, &target);
      ImportModel import;
      import.byGuid = (flags & 0x10000) != 0;
      if (import.byGuid) {
        RETURN_IF_FAILED(Guid(target, &import.type));
      } else {
        import.index = target;
      }
      const SegmentRange& files = segments_[kImpFiles];
      uint32_t libraryGuid = 0, lcid = 0, version = 0;
      if (!reader_.SegmentU32(files, file, &libraryGuid) ||
          !reader_.SegmentU32(files, size_t{file} + 4, &lcid) ||
          !reader_.SegmentU32(files, size_t{file} + 8, &version)) {
        return TYPE_E_INVDATAREAD;
      }
      RETURN_IF_FAILED(Guid(libraryGuid, &import.library));
      import.lcid = lcid;
      import.majorVersion = static_cast<WORD>(version & 0xFFFF);
      import.minorVersion = static_cast<WORD>(version >> 16);
      library->imports[static_cast<HREFTYPE>(offset + 1)] = import;
    }
    return S_OK;
  }

  HRESULT ReadType(size_t record, TypeModel* type) {
    if (!Spend(1)) return TYPE_E_INVDATAREAD;
    const SegmentRange& table = segments_[kTypeInfoTab];
    uint32_t field[kTypeRecordSize / 4];
    for (size_t i = 0; i < kTypeRecordSize / 4; ++i) {
      if (!reader_.SegmentU32(table, record + 4 * i, &field[i])) return TYPE_E_INVDATAREAD;
    }
    const uint32_t kind = field[0] & 0xF;
    if (kind >= TKIND_MAX) return TYPE_E_INVDATAREAD;
    type->kind = static_cast<TYPEKIND>(kind);
    type->alignment = static_cast<WORD>((field[0] >> 11) & 0x1F);
    const uint32_t memberBlock = field[0x04 / 4];
    const uint32_t functionCount = field[0x18 / 4] & 0xFFFF;
    type->variableCount = static_cast<WORD>(field[0x18 / 4] >> 16);
    RETURN_IF_FAILED(Guid(field[0x2C / 4], &type->guid));
    type->flags = static_cast<WORD>(field[0x30 / 4]);
    RETURN_IF_FAILED(OptionalName(field[0x34 / 4], &type->name));
    type->majorVersion = static_cast<WORD>(field[0x38 / 4] & 0xFFFF);
    type->minorVersion = static_cast<WORD>(field[0x38 / 4] >> 16);
    RETURN_IF_FAILED(OptionalString(field[0x3C / 4], &type->docString));
    type->helpContext = field[0x44 / 4];
    const uint32_t implCount = field[0x4C / 4] & 0xFFFF;
    type->vtableSlots = static_cast<WORD>((field[0x4C / 4] >> 16) / pointerSize_);
    type->instanceSize = field[0x50 / 4];
    const uint32_t datatype1 = field[0x54 / 4];

    switch (type->kind) {
      case TKIND_COCLASS:
        RETURN_IF_FAILED(ReadImplementedInterfaces(datatype1, implCount, type));
        break;
      case TKIND_INTERFACE:
      case TKIND_DISPATCH:
        if (implCount > 0 && datatype1 != kAbsent) type->implTypes.push_back({datatype1, 0});
        break;
      case TKIND_ALIAS:
        RETURN_IF_FAILED(TypeDesc(datatype1, &type->alias));
        break;
      default:
        break;
    }
    if (functionCount + type->variableCount > 0) {
      RETURN_IF_FAILED(ReadFunctions(memberBlock, functionCount, type->variableCount, type));
    }
    return S_OK;
  }

  // The list of a coclass: `count` nodes of the reference table, linked
  // from `first`. Each node is paid for; a count the table cannot hold, or a
  // list that comes back to a node, is refused.
  HRESULT ReadImplementedInterfaces(uint32_t first, uint32_t count, TypeModel* type) {
    const SegmentRange& table = segments_[kRefTab];
    if (count > table.length / kRefNodeBytes) return TYPE_E_INVDATAREAD;
    std::vector<uint32_t> visited;
    visited.reserve(count);
    type->implTypes.reserve(count);
    uint32_t node = first;
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t href = 0, flags = 0, next = 0;
      if (!Spend(1) || !reader_.SegmentU32(table, node, &href) ||
          !reader_.SegmentU32(table, size_t{node} + 4, &flags) ||
          !reader_.SegmentU32(table, size_t{node} + 12, &next)) {
        return TYPE_E_INVDATAREAD;
      }
      visited.push_back(node);
      type->implTypes.push_back({href, static_cast<INT>(flags)});
      node = next;
    }
    return AllDistinct(&visited) ? S_OK : TYPE_E_INVDATAREAD;
  }

  // Whether no offset occurs twice in `offsets` (which it sorts).
  static bool AllDistinct(std::vector<uint32_t>* offsets) {
    std::sort(offsets->begin(), offsets->end());
    return std::adjacent_find(offsets->begin(), offsets->end()) == offsets->end();
  }

  // The member block: the records, then the arrays of DISPIDs, names and
  // record offsets. Every function has a record of its own within the
  // block: records that overlap or repeat are refused.
  HRESULT ReadFunctions(uint32_t block, uint32_t functionCount, uint32_t variableCount,
                        TypeModel* type) {
    uint32_t recordBytes = 0;
    if (!reader_.U32(block, &recordBytes)) return TYPE_E_INVDATAREAD;
    const size_t records = size_t{block} + 4;
    const size_t members = size_t{functionCount} + variableCount;
    const size_t tail = records + recordBytes;
    if (reader_.Span(records, recordBytes) == nullptr || reader_.Span(tail, 12 * members) == nullptr ||
        functionCount > recordBytes / kMinFunctionRecordBytes || !Spend(members)) {
      return TYPE_E_INVDATAREAD;
    }
    std::vector<RecordExtent> extents(functionCount);
    type->functions.resize(functionCount);
    for (uint32_t i = 0; i < functionCount; ++i) {
      FunctionModel& function = type->functions[i];
      uint32_t memid = 0, name = 0, offset = 0;
      reader_.U32(tail + 4 * i, &memid);
      reader_.U32(tail + 4 * (members + i), &name);
      reader_.U32(tail + 4 * (2 * members + i), &offset);
      function.memid = static_cast<MEMBERID>(memid);
      if (name == kAbsent && i > 0) {
        const std::optional<std::u16string>& previous = type->functions[i - 1].name;
        if (previous && !Spend(1 + previous->size() / 4)) return TYPE_E_INVDATAREAD;
        function.name = previous;  // the other accessor's
      } else {
        RETURN_IF_FAILED(OptionalName(name, &function.name));
      }
      if (offset >= recordBytes) return TYPE_E_INVDATAREAD;
      size_t length = 0;
      RETURN_IF_FAILED(ReadFunction(records + offset, recordBytes - offset, &function, &length));
      extents[i] = {offset, length};
    }
    std::sort(extents.begin(), extents.end(),
              [](const RecordExtent& a, const RecordExtent& b) { return a.offset < b.offset; });
    for (size_t i = 1; i < extents.size(); ++i) {
      if (extents[i].offset - extents[i - 1].offset < extents[i - 1].length) return TYPE_E_INVDATAREAD;
    }
    return S_OK;
  }

  // One function record; `recordLength` receives its size in bytes.
  HRESULT ReadFunction(size_t record, size_t available, FunctionModel* function,
                       size_t* recordLength) {
    uint32_t info = 0, result = 0, flags = 0, packed = 0, counts = 0;
    uint16_t vtableOffset = 0;
    reader_.U32(record, &info);
    const size_t length = info & 0xFFFF;
    if (length < kMinFunctionRecordBytes || length > available) return TYPE_E_INVDATAREAD;
    *recordLength = length;
    reader_.U32(record + 0x04, &result);
    reader_.U32(record + 0x08, &flags);
    reader_.U16(record + 0x0C, &vtableOffset);
    reader_.U32(record + 0x10, &packed);
    reader_.U32(record + 0x14, &counts);
    const size_t paramCount = counts & 0xFFFF;
    function->optionalParams = static_cast<SHORT>(counts >> 16);
    const bool hasDefaults = (packed & 0x1000) != 0;
    const size_t paramBytes = 12 * paramCount + (hasDefaults ? 4 * paramCount : 0);
    if (paramCount > 0x7FFF || length - 0x18 < paramBytes || !Spend(1 + paramCount)) {
      return TYPE_E_INVDATAREAD;
    }

    const uint32_t funckind = packed & 0x7;
    if (funckind > FUNC_DISPATCH) return TYPE_E_INVDATAREAD;
    function->funckind = static_cast<FUNCKIND>(funckind);
    const uint32_t invkind = (packed >> 3) & 0xF;
    if (invkind != INVOKE_FUNC && invkind != INVOKE_PROPERTYGET && invkind != INVOKE_PROPERTYPUT &&
        invkind != INVOKE_PROPERTYPUTREF) {
      return TYPE_E_INVDATAREAD;
    }
    function->invkind = static_cast<INVOKEKIND>(invkind);
    function->callconv = static_cast<CALLCONV>((packed >> 8) & 0xF);
    function->flags = static_cast<WORD>(flags);
    if (function->funckind == FUNC_VIRTUAL || function->funckind == FUNC_PUREVIRTUAL) {
      function->slot = (vtableOffset & ~1u) / pointerSize_;
    }
    RETURN_IF_FAILED(TypeDesc(result, &function->result));

    const size_t optionalFields = (length - 0x18 - paramBytes) / 4;
    uint32_t helpContext = 0, docString = kAbsent;
    if (optionalFields >= 1) reader_.U32(record + 0x18, &helpContext);
    if (optionalFields >= 2) reader_.U32(record + 0x1C, &docString);
    function->helpContext = helpContext;
    RETURN_IF_FAILED(OptionalString(docString, &function->docString));

    function->params.resize(paramCount);
    const size_t params = record + length - 12 * paramCount;
    for (size_t p = 0; p < paramCount; ++p) {
      uint32_t type = 0, name = 0, paramFlags = 0;
      reader_.U32(params + 12 * p, &type);
      reader_.U32(params + 12 * p + 4, &name);
      reader_.U32(params + 12 * p + 8, &paramFlags);
      RETURN_IF_FAILED(TypeDesc(type, &function->params[p].type));
      RETURN_IF_FAILED(OptionalName(name, &function->params[p].name));
      function->params[p].flags = static_cast<USHORT>(paramFlags);
    }
    return S_OK;
  }

  struct RecordExtent {
    size_t offset = 0;
    size_t length = 0;
  };

  Reader reader_;
  size_t size_;
  size_t budget_;
  SegmentRange segments_[kDirectoryEntries];
  uint32_t pointerSize_ = 4;
};

}  // namespace

HRESULT ReadMsftTypeLibrary(const BYTE* bytes, size_t size, LibraryModel* library) {
  if (bytes == nullptr) return E_INVALIDARG;
  try {
    LibraryModel parsed;
    LibraryParser parser(bytes, size);
    RETURN_IF_FAILED(parser.Parse(&parsed));
    *library = std::move(parsed);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::length_error&) {
    return TYPE_E_INVDATAREAD;
  }
}

}  // namespace platform::typelib
