#pragma once
// The infrared key files: one XML file per plug, named after its node, holding 32 key slots with
// a name and a learned flag. The PC keeps them; the learned codes themselves stay in the plug.
//
// Written exactly as
//   <?xml version="1.0" encoding="UTF-8"?>
//   <Keys>
//   <Key Index="0" Name="Key1" Status="0"/>
//   ...
//   </Keys>
// with CR LF after every line and nothing indented. Read tolerantly: whatever precedes the root
// element, element pairs instead of empty elements, any whitespace between them.
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nr {

inline constexpr int kKeySlots = 32;
inline constexpr size_t kMaxKeyFileBytes = 1 << 20;  // a key file is a few kilobytes
// A key file nests two levels (Keys, Key); a text nested deeper than this is not one.
inline constexpr int kMaxKeyFileDepth = 32;

struct KeySlot {
  int index = 0;
  std::string name;  // UTF-8
  int status = 0;    // 1 learned, 0 not
  bool Learned() const { return status != 0; }
  bool operator==(const KeySlot&) const = default;
};

// The "Key" elements of a key file's text in document order; nullopt when the text is not a key
// file (no root element, more than one, a tag not closed or not matching, nested deeper than
// kMaxKeyFileDepth).
std::optional<std::vector<KeySlot>> ParseKeyFile(std::string_view text);
// The text of a key file holding these slots.
std::string KeyFileText(std::span<const KeySlot> slots);
// Key1..Key32, none learned.
std::vector<KeySlot> DefaultKeySlots();

class KeyFiles {
 public:
  explicit KeyFiles(std::filesystem::path folder) : folder_(std::move(folder)) {}

  const std::filesystem::path& Folder() const { return folder_; }
  // Creates the folder and every missing one above it; false when it is not a folder afterwards.
  bool EnsureFolder() const;
  std::filesystem::path FilePath(int node) const;  // <folder>/<node>.xml
  bool Exists(int node) const;

  // Writes the default file, replacing any file of that name.
  bool CreateDefault(int node) const;
  // Creates the default file when the plug has none yet.
  bool EnsureFile(int node) const;

  // Each change loads the file, changes the first "Key" whose Index is the slot, and saves the
  // whole document again. False (and nothing written) when the file cannot be loaded or saved or
  // no key has that Index.
  bool SetName(int node, int slot, std::string_view name) const;
  bool SetStatus(int node, int slot, int status) const;
  // The name of the slot's key; empty when the file cannot be loaded or has no such key.
  std::string Name(int node, int slot) const;
  std::optional<std::vector<KeySlot>> Read(int node) const;

  bool Remove(int node) const;
  // Deletes every file in the folder and in the folders below it; the folders stay.
  bool Clear() const;

 private:
  bool SetAttribute(int node, int slot, const char* attribute, std::string_view value) const;
  std::optional<std::string> Load(int node) const;

  std::filesystem::path folder_;
};

}  // namespace nr
