#pragma once
// Attachment columns as Access keeps them: the row holds a key, and the files
// are rows of a hidden flat table described by MSysComplexColumns and a
// template table (see the reader's ComplexColumns).

#include "tools/mkdb/MdbDescription.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace mkdb {

// Table name -> first TDEF page, filled by the writer once pages are given
// out and before any row is written.
using TablePages = std::map<std::string, std::uint32_t>;

// The description with every attachment column given an id and its cells
// turned into keys, and the tables that hold the files added. The catalog's
// rows name TDEF pages, read from `pages` when they are written.
MdbDescription WithAttachmentTables(const MdbDescription& description, std::shared_ptr<const TablePages> pages);

// The FileData value of one file: the envelope, the content header naming
// the extension, and the bytes, deflated when the file asks for it.
std::string AttachmentEnvelope(const AttachmentFile& file);

} // namespace mkdb
