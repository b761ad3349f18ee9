#include "smarthome/KeyFile.h"

#include <charconv>
#include <climits>
#include <cstring>
#include <pugixml.hpp>
#include <system_error>

#include "shell/AtomicFile.h"

namespace nr {
namespace {

constexpr std::string_view kDeclaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";
constexpr std::string_view kEol = "\r\n";
constexpr const char* kRootName = "Keys";
constexpr const char* kKeyName = "Key";
constexpr const char* kIndex = "Index";
constexpr const char* kName = "Name";
constexpr const char* kStatus = "Status";

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += attribute ? "&quot;" : "\""; break;
      case '\'': out += attribute ? "&apos;" : "'"; break;
      // Line ends and tabs inside a value survive a reading only as character references.
      case '\r': out += "&#13;"; break;
      case '\n': out += attribute ? "&#10;" : "\n"; break;
      case '\t': out += attribute ? "&#9;" : "\t"; break;
      default: out += c; break;
    }
  }
}

void WriteOpening(std::string& out, const pugi::xml_node& node) {
  switch (node.type()) {
    case pugi::node_element:
      out += '<';
      out += node.name();
      for (const pugi::xml_attribute& a : node.attributes()) {
        out += ' ';
        out += a.name();
        out += "=\"";
        AppendEscaped(out, a.value(), true);
        out += '"';
      }
      out += node.first_child() ? ">" : "/>";
      out += kEol;
      return;
    case pugi::node_pcdata:
    case pugi::node_cdata:
      AppendEscaped(out, node.value(), false);
      out += kEol;
      return;
    default:
      return;  // comments and processing instructions are not kept
  }
}

void WriteClosing(std::string& out, const pugi::xml_node& element) {
  out += "</";
  out += element.name();
  out += '>';
  out += kEol;
}

// One element per line, nothing indented; text and character data on lines of their own. Walks
// the tree without recursion, so no document can exhaust the stack however deep it is.
void WriteTree(std::string& out, const pugi::xml_node& root) {
  pugi::xml_node node = root;
  for (;;) {
    WriteOpening(out, node);
    if (node.type() == pugi::node_element && node.first_child()) {
      node = node.first_child();
      continue;
    }
    while (node != root && !node.next_sibling()) {
      node = node.parent();
      WriteClosing(out, node);
    }
    if (node == root) return;
    node = node.next_sibling();
  }
}

std::string DocumentText(const pugi::xml_node& root) {
  std::string out(kDeclaration);
  out += kEol;
  WriteTree(out, root);
  return out;
}

// Whether no node of the document lies deeper than kMaxKeyFileDepth, counted without recursion.
bool WithinDepth(const pugi::xml_document& doc) {
  int depth = 1;
  for (pugi::xml_node node = doc.first_child(); node;) {
    if (depth > kMaxKeyFileDepth) return false;
    if (node.first_child()) {
      node = node.first_child();
      ++depth;
      continue;
    }
    while (!node.next_sibling()) {
      node = node.parent();
      --depth;
      if (node == doc) return true;
    }
    node = node.next_sibling();
  }
  return true;
}

// Parses text and finds its only top-level element; none when the text is no XML, holds more
// than one top-level element or nests deeper than any key file does.
pugi::xml_node LoadDocument(std::string_view text, pugi::xml_document& doc) {
  if (!doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8)) return {};
  if (!WithinDepth(doc)) return {};
  pugi::xml_node root;
  int elements = 0;
  for (const pugi::xml_node& child : doc.children()) {
    if (child.type() != pugi::node_element) continue;
    root = child;
    ++elements;
  }
  return elements == 1 ? root : pugi::xml_node();
}

// Decimal digits at the start of the text; 0 when it does not start with one.
int LeadingNumber(const char* text) {
  const char* end = text + std::strlen(text);
  int value = 0;
  const auto [ptr, ec] = std::from_chars(text, end, value);
  if (ptr == text || *text == '-' || *text == '+') return 0;
  return ec == std::errc::result_out_of_range ? INT_MAX : value;
}

pugi::xml_node BuildDocument(pugi::xml_document& doc, std::span<const KeySlot> slots) {
  pugi::xml_node root = doc.append_child(kRootName);
  for (const KeySlot& slot : slots) {
    pugi::xml_node key = root.append_child(kKeyName);
    key.append_attribute(kIndex) = slot.index;
    key.append_attribute(kName) = slot.name.c_str();
    key.append_attribute(kStatus) = slot.status;
  }
  return root;
}

bool Save(const std::filesystem::path& path, std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  return !WriteFileAtomically(path, std::span<const uint8_t>(bytes, text.size()));
}

}  // namespace

std::optional<std::vector<KeySlot>> ParseKeyFile(std::string_view text) {
  pugi::xml_document doc;
  const pugi::xml_node root = LoadDocument(text, doc);
  if (!root) return std::nullopt;
  std::vector<KeySlot> slots;
  for (const pugi::xml_node& key : root.children(kKeyName)) {
    slots.push_back(KeySlot{LeadingNumber(key.attribute(kIndex).value()), key.attribute(kName).value(),
                            LeadingNumber(key.attribute(kStatus).value())});
  }
  return slots;
}

std::string KeyFileText(std::span<const KeySlot> slots) {
  pugi::xml_document doc;
  return DocumentText(BuildDocument(doc, slots));
}

std::vector<KeySlot> DefaultKeySlots() {
  std::vector<KeySlot> slots;
  for (int i = 0; i < kKeySlots; ++i) slots.push_back(KeySlot{i, "Key" + std::to_string(i + 1), 0});
  return slots;
}

bool KeyFiles::EnsureFolder() const {
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  return std::filesystem::is_directory(folder_, ec);
}

std::filesystem::path KeyFiles::FilePath(int node) const { return folder_ / (std::to_string(node) + ".xml"); }

bool KeyFiles::Exists(int node) const {
  std::error_code ec;
  return std::filesystem::exists(FilePath(node), ec);
}

bool KeyFiles::CreateDefault(int node) const {
  EnsureFolder();
  return Save(FilePath(node), KeyFileText(DefaultKeySlots()));
}

bool KeyFiles::EnsureFile(int node) const { return Exists(node) || CreateDefault(node); }

std::optional<std::string> KeyFiles::Load(int node) const {
  const std::filesystem::path path = FilePath(node);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::vector<uint8_t> bytes;
  if (ReadFileLimited(path, kMaxKeyFileBytes, bytes) || bytes.size() > kMaxKeyFileBytes) return std::nullopt;
  return std::string(bytes.begin(), bytes.end());
}

std::optional<std::vector<KeySlot>> KeyFiles::Read(int node) const {
  const std::optional<std::string> text = Load(node);
  if (!text) return std::nullopt;
  return ParseKeyFile(*text);
}

bool KeyFiles::SetAttribute(int node, int slot, const char* attribute, std::string_view value) const {
  const std::optional<std::string> text = Load(node);
  if (!text) return false;
  pugi::xml_document doc;
  const pugi::xml_node root = LoadDocument(*text, doc);
  if (!root) return false;
  for (pugi::xml_node key : root.children(kKeyName)) {
    if (LeadingNumber(key.attribute(kIndex).value()) != slot) continue;
    pugi::xml_attribute a = key.attribute(attribute);
    if (!a) a = key.append_attribute(attribute);
    a.set_value(std::string(value).c_str());
    return Save(FilePath(node), DocumentText(root));
  }
  return false;
}

bool KeyFiles::SetName(int node, int slot, std::string_view name) const {
  return SetAttribute(node, slot, kName, name);
}

bool KeyFiles::SetStatus(int node, int slot, int status) const {
  return SetAttribute(node, slot, kStatus, std::to_string(status));
}

std::string KeyFiles::Name(int node, int slot) const {
  const std::optional<std::vector<KeySlot>> slots = Read(node);
  if (!slots) return {};
  for (const KeySlot& key : *slots)
    if (key.index == slot) return key.name;
  return {};
}

bool KeyFiles::Remove(int node) const {
  std::error_code ec;
  std::filesystem::remove(FilePath(node), ec);
  return !ec;
}

bool KeyFiles::Clear() const {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder_, ec)) return !std::filesystem::exists(folder_, ec);
  bool ok = true;
  std::vector<std::filesystem::path> files;
  for (auto it = std::filesystem::recursive_directory_iterator(folder_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_directory(ec)) files.push_back(it->path());
  }
  if (ec) ok = false;
  for (const std::filesystem::path& file : files) {
    std::error_code removeError;
    std::filesystem::remove(file, removeError);
    ok &= !removeError;
  }
  return ok;
}

}  // namespace nr
