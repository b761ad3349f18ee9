#include "venue/VenueFile.h"

#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "shell/AtomicFile.h"
#include "shell/PathText.h"
#include "shell/UserDirs.h"

namespace nr {
namespace {

using Json = nlohmann::ordered_json;

constexpr size_t kLongestName = 64;
constexpr size_t kLongestVenueFile = 4 * 1024 * 1024;
constexpr int kVenueFileVersion = 1;

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The line and column of a byte offset, counted from 1.
std::string Position(std::string_view text, size_t offset) {
  offset = std::min(offset, text.size());
  const size_t line = 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n'));
  const size_t lineStart = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  const size_t column = lineStart == std::string_view::npos || offset == 0 ? offset + 1 : offset - lineStart;
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// A text member of a room: absent is empty, anything but a string is refused.
bool TextMember(const Json& room, const char* key, std::string& out, std::string& problem) {
  const auto it = room.find(key);
  if (it == room.end() || it->is_null()) return true;
  if (!it->is_string()) {
    problem = std::string("\"") + key + "\" is not a text";
    return false;
  }
  out = it->get<std::string>();
  return true;
}

}  // namespace

Room* Venue::Find(std::string_view name) {
  const auto it = std::find_if(rooms.begin(), rooms.end(), [&](const Room& r) { return r.name == name; });
  return it == rooms.end() ? nullptr : &*it;
}

const Room* Venue::Find(std::string_view name) const { return const_cast<Venue*>(this)->Find(name); }

std::string RoomNameProblem(std::string_view name) {
  if (name.empty()) return "a room needs a name";
  if (name.size() > kLongestName) return "a room's name holds at most " + std::to_string(kLongestName) + " bytes";
  if (name == "." || name == "..") return "a room cannot be named " + Quoted(name);
  if (name.front() == ' ' || name.back() == ' ') return "a room's name cannot begin or end with a blank";
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\') return "a room's name cannot hold " + Quoted(std::string(1, c)) + " (it names the room's backup file)";
    if (u < 0x20 || u == 0x7F) return "a room's name cannot hold control characters";
  }
  return {};
}

std::optional<NetTarget> RoomTarget(std::string_view address) { return ParseNetTarget(address); }

std::string AddRoom(Venue& venue, Room room) {
  if (std::string problem = RoomNameProblem(room.name); !problem.empty()) return problem;
  if (venue.Find(room.name)) return "there is already a room named " + Quoted(room.name);
  const std::optional<NetTarget> target = RoomTarget(room.address);
  if (!target) return Quoted(room.address) + " is no network address (HOST or HOST:PORT)";
  for (const Room& other : venue.rooms)
    if (RoomTarget(other.address) == target) return Quoted(room.address) + " is already the address of room " + Quoted(other.name);
  venue.rooms.push_back(std::move(room));
  return {};
}

std::string RemoveRoom(Venue& venue, std::string_view name) {
  const auto it = std::find_if(venue.rooms.begin(), venue.rooms.end(), [&](const Room& r) { return r.name == name; });
  if (it == venue.rooms.end()) return "there is no room named " + Quoted(name);
  venue.rooms.erase(it);
  return {};
}

std::string RenameRoom(Venue& venue, std::string_view oldName, std::string_view newName) {
  Room* room = venue.Find(oldName);
  if (!room) return "there is no room named " + Quoted(oldName);
  if (oldName == newName) return {};
  if (std::string problem = RoomNameProblem(newName); !problem.empty()) return problem;
  if (venue.Find(newName)) return "there is already a room named " + Quoted(newName);
  room->name = std::string(newName);
  return {};
}

std::string VenueToJson(const Venue& venue) {
  Json rooms = Json::array();
  for (const Room& r : venue.rooms) {
    Json room{{"name", r.name}, {"address", r.address}, {"note", r.note}};
    if (!r.lastBackup.empty()) room["lastBackup"] = r.lastBackup;
    rooms.push_back(std::move(room));
  }
  // Names and notes are the installer's: whatever bytes they typed are kept, not refused.
  return Json{{"version", kVenueFileVersion}, {"rooms", rooms}}.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<Venue> VenueFromJson(std::string_view text, std::string& problem) {
  Json json;
  try {
    json = Json::parse(text.begin(), text.end());
  } catch (const Json::parse_error& e) {
    // The library's message starts with its own error number and repeats the position.
    std::string what = e.what();
    if (const size_t colon = what.rfind(": "); colon != std::string::npos) what = what.substr(colon + 2);
    problem = Position(text, e.byte == 0 ? 0 : e.byte - 1) + ": " + what;
    return std::nullopt;
  }
  if (!json.is_object() || !json.contains("rooms")) {
    problem = "this is no venue file (it holds no \"rooms\")";
    return std::nullopt;
  }
  if (const auto version = json.find("version"); version != json.end() && (!version->is_number_integer() || *version != kVenueFileVersion)) {
    problem = "this venue file is of another version (" + version->dump() + "; this program reads version " +
              std::to_string(kVenueFileVersion) + ")";
    return std::nullopt;
  }
  const Json& rooms = json["rooms"];
  if (!rooms.is_array()) {
    problem = "\"rooms\" is not a list";
    return std::nullopt;
  }
  Venue venue;
  for (size_t i = 0; i < rooms.size(); ++i) {
    const Json& entry = rooms[i];
    const std::string which = "room " + std::to_string(i + 1);
    if (!entry.is_object()) {
      problem = which + " is not an object";
      return std::nullopt;
    }
    Room room;
    std::string member;
    if (!TextMember(entry, "name", room.name, member) || !TextMember(entry, "address", room.address, member) ||
        !TextMember(entry, "note", room.note, member) || !TextMember(entry, "lastBackup", room.lastBackup, member)) {
      problem = which + ": " + member;
      return std::nullopt;
    }
    const std::string named = room.name.empty() ? which : which + " (" + Quoted(room.name) + ")";
    if (std::string bad = RoomNameProblem(room.name); !bad.empty()) {
      problem = named + ": " + bad;
      return std::nullopt;
    }
    if (venue.Find(room.name)) {
      problem = named + ": an earlier room has the same name";
      return std::nullopt;
    }
    if (!RoomTarget(room.address)) {
      problem = named + ": " + Quoted(room.address) + " is no network address";
      return std::nullopt;
    }
    if (!RoomNameProblem(room.lastBackup).empty()) room.lastBackup.clear();  // only ever a folder's plain name
    venue.rooms.push_back(std::move(room));
  }
  return venue;
}

VenueFileResult LoadVenue(const std::filesystem::path& path, Venue& venue) {
  std::vector<uint8_t> bytes;
  if (const FileError error = ReadFileLimited(path, kLongestVenueFile, bytes)) {
    if (error.problem == FileProblem::kSystem && error.code == ENOENT) {
      venue = Venue{};
      return {VenueFileStatus::kMissing, {}};
    }
    if (error.problem == FileProblem::kTooLong)
      return {VenueFileStatus::kRefused, Utf8OfPath(path) + ": a venue file holds at most 4 MiB, this one " + std::to_string(error.size) + " bytes"};
    return {VenueFileStatus::kRefused, error.message};
  }
  std::string problem;
  std::optional<Venue> read = VenueFromJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), problem);
  if (!read) return {VenueFileStatus::kRefused, Utf8OfPath(path) + ": " + problem};
  venue = std::move(*read);
  return {VenueFileStatus::kLoaded, {}};
}

std::string SaveVenue(const std::filesystem::path& path, const Venue& venue) {
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  const std::string text = VenueToJson(venue);
  if (const FileError error = WriteFileAtomically(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())))
    return error.message;
  return {};
}

VenueEditResult EditVenueFile(const std::filesystem::path& path, const std::function<std::string(Venue&)>& edit) {
  HeldFile held;
  std::vector<uint8_t> bytes;
  Venue venue;
  if (const FileError error = held.Hold(path, kLongestVenueFile, bytes)) {
    // A venue without a file yet starts empty; its first edit makes the file.
    if (!(error.problem == FileProblem::kSystem && error.code == ENOENT)) {
      if (error.problem == FileProblem::kTooLong)
        return {VenueEditOutcome::kFileRefused, Utf8OfPath(path) + ": a venue file holds at most 4 MiB"};
      return {VenueEditOutcome::kFileRefused, error.message};
    }
  } else {
    std::string problem;
    std::optional<Venue> read = VenueFromJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), problem);
    if (!read) return {VenueEditOutcome::kFileRefused, Utf8OfPath(path) + ": " + problem};
    venue = std::move(*read);
  }
  if (std::string problem = edit(venue); !problem.empty()) return {VenueEditOutcome::kEditRefused, std::move(problem)};
  if (std::string error = SaveVenue(path, venue); !error.empty()) return {VenueEditOutcome::kNotWritten, std::move(error)};
  return {};
}

std::filesystem::path DefaultVenueFile() { return DataFolder() / "nrtune" / "venue.json"; }

}  // namespace nr
