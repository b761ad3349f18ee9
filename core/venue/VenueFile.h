#pragma once
// A venue: the rooms of one karaoke venue, each with its processor's network address, kept in
// one JSON file per venue. The application keeps its own (DefaultVenueFile) and opens others;
// nrctl uses the same file unless told another.
//
// The file is written in one step (a temporary renamed over it), so it is either the old venue or
// the new one. A file that is no venue (bad JSON, a room without a name, two rooms of one name)
// is refused with the reason, and its line where the JSON itself is broken; nothing is changed.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/NetAddress.h"

namespace nr {

struct Room {
  std::string name;        // unique in its venue; also the name of its backup file
  std::string address;     // "host" or "host:port" as the installer typed it
  std::string note;        // anything: "upstairs, left", "bar"
  std::string lastBackup;  // the backup folder its last good backup went into, empty when none
  bool operator==(const Room&) const = default;
};

struct Venue {
  std::vector<Room> rooms;
  bool operator==(const Venue&) const = default;

  // The room of that name, or nullptr.
  Room* Find(std::string_view name);
  const Room* Find(std::string_view name) const;
};

// Why a name cannot be a room's (empty, longer than 64 bytes, a '/' or a control character,
// "." or "..", blanks around it): the backup file is named after the room. Empty when it can.
std::string RoomNameProblem(std::string_view name);
// The network target of an address ("10.0.0.5", "10.0.0.5:4000", "[fe80::1]:4000", a host name),
// or nullopt.
std::optional<NetTarget> RoomTarget(std::string_view address);

// The edits of a venue. Each returns why it could not be made (and leaves the venue as it was),
// or an empty text.
std::string AddRoom(Venue& venue, Room room);
std::string RemoveRoom(Venue& venue, std::string_view name);
std::string RenameRoom(Venue& venue, std::string_view oldName, std::string_view newName);

// The venue as the file holds it, and back. Parsing names what is wrong: "line 4, column 7:
// ...", "room 3 (\"Bar\"): the address \"10.0.0.300\" is no network address".
std::string VenueToJson(const Venue& venue);
std::optional<Venue> VenueFromJson(std::string_view text, std::string& problem);

enum class VenueFileStatus {
  kLoaded,
  kMissing,  // no file yet: an empty venue
  kRefused,  // not a regular file, too long, unreadable or no venue: message says why
};
struct VenueFileResult {
  VenueFileStatus status = VenueFileStatus::kLoaded;
  std::string message;
  bool ok() const { return status != VenueFileStatus::kRefused; }
};

// Reads a venue file (at most 4 MiB). A missing file is an empty venue.
VenueFileResult LoadVenue(const std::filesystem::path& path, Venue& venue);
// Writes it atomically, making its folder when there is none. An empty text, or why not.
std::string SaveVenue(const std::filesystem::path& path, const Venue& venue);

// An edit of a venue file, read and written with the file held (an advisory lock on the file,
// as mode files are held), so two programs editing one venue take turns and both edits stay.
// edit returns why it cannot be made (nothing is written then) or an empty text.
enum class VenueEditOutcome { kSaved, kFileRefused, kEditRefused, kNotWritten };
struct VenueEditResult {
  VenueEditOutcome outcome = VenueEditOutcome::kSaved;
  std::string message;
};
VenueEditResult EditVenueFile(const std::filesystem::path& path, const std::function<std::string(Venue&)>& edit);

// The application's own venue: nrtune/venue.json in the user's data folder ($XDG_DATA_HOME, else
// ~/.local/share; %APPDATA% on Windows),
// the same file for nrtune and nrctl.
std::filesystem::path DefaultVenueFile();

}  // namespace nr
