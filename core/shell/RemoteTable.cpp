#include "shell/RemoteTable.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

#include "link/Commands.h"

namespace nr {

const std::array<RemoteFunction, kRemoteFunctionCount>& RemoteFunctions() {
  static const std::array<RemoteFunction, kRemoteFunctionCount> kFunctions{{
      {"电源开关", "Power", "您正在学习的键：电源开关", "Learning key:Power"},
      {"Android主页", "Home", "您正在学习的键：Android主页", "Learning key:Android Home"},
      {"输入选择", "Input", "您正在学习的键：输入选择", "Learning key:Input"},
      {"向上选择", "Up", "您正在学习的键：向上选择", "Learning key:Up"},
      {"向下选择", "Down", "您正在学习的键：向下选择", "Learning key:Down"},
      {"向左选择", "Left", "您正在学习的键：向左选择", "Learning key:Left"},
      {"向右选择", "Right", "您正在学习的键：向右选择", "Learning key:Rgith"},
      {"确认/进入", "OK/Enter", "您正在学习的键：确认/进入", "Learning key:OK/Enter"},
      {"Android菜单", "Menu", "您正在学习的键：Android菜单", "Learning key:Android Menu"},
      {"静音", "Mute", "您正在学习的键：静音", "Learning key:Mute"},
      {"取消/返回", "Esc", "您正在学习的键：返回/取消", "Learning key:Back/Esc"},
      {"话筒音量+", "Mic Vol+", "您正在学习的键：话筒音量+", "Learning key:Mic Vol+"},
      {"话筒音量-", "Mic Vol-", "您正在学习的键：话筒音量-", "Learning key:Mic Vol-"},
      {"效果音量+", "Effect Vol+", "您正在学习的键：效果音量+", "Learning key:Effect Vol+"},
      {"效果音量-", "Effect Vol-", "您正在学习的键：效果音量-", "Learning key:Effect Vol-"},
      {"音乐音量+", "Music Vol+", "您正在学习的键：音乐音量+", "Learning key:Music Vol+"},
      {"音乐音量-", "Music Vol-", "您正在学习的键：音乐音量-", "Learning key:Music Vol-"},
      {"录音", "Record", "您正在学习的键：录音", "Learning key:Record"},
      {"模式一", "Mode1", "您正在学习的键：模式一", "Learning key:Mode1"},
      {"模式二", "Mode2", "您正在学习的键：模式二", "Learning key:Mode2"},
      {"模式三", "Mode3", "您正在学习的键：模式三", "Learning key:Mode3"},
      {"模式四", "Mode4", "您正在学习的键：模式四", "Learning key:Mode4"},
      {"升调", "UP Tone", "您正在学习的键：升调", "Learning key:Up tone"},
      {"原调", "Org Tone", "您正在学习的键：原调", "Learning key:Original tone"},
      {"降调", "Down Tone", "您正在学习的键：降调", "Learning key:Down tone"},
  }};
  return kFunctions;
}

std::filesystem::path RemoteFilePath(std::filesystem::path chosen) {
  chosen.replace_extension("remo");
  return chosen;
}

namespace {

// At most the first 30 bytes of a regular file.
FileError ReadRemoteBytes(const std::filesystem::path& path, std::vector<uint8_t>& bytes) {
  // A longer file gives its first 30 bytes; one far longer is no remote table at all.
  constexpr size_t kLongestAccepted = 4096;
  if (FileError error = ReadFileLimited(path, kLongestAccepted, bytes)) return error;
  if (bytes.size() > kRemoteFileSize) bytes.resize(kRemoteFileSize);
  return {};
}

}  // namespace

FileError ReadRemoteFile(const std::filesystem::path& path, RemoteCodes& table) {
  std::vector<uint8_t> bytes;
  if (FileError error = ReadRemoteBytes(path, bytes)) return error;
  std::copy(bytes.begin(), bytes.end(), table.begin());
  return {};
}

FileError WriteRemoteFile(const std::filesystem::path& path, const RemoteCodes& table) {
  return WriteFileAtomically(path, table);
}

void StartRemoteLearning(DeviceSession& session, int function) {
  if (function < 1 || function > kRemoteFunctionCount) return;
  session.Model().Update([&](DeviceState& s) { s.remoteLearning = function; });  // before a quick report
  session.Send(BuildLearnRemote(function));
}

void StopRemoteLearning(DeviceSession& session) {
  session.Model().Update([](DeviceState& s) { s.remoteLearning = 0; });
  session.Send(BuildStopLearning());
}

void SendRemoteTable(DeviceSession& session) {
  const RemoteCodes table = session.Model().Read([](const DeviceState& s) { return s.remote; });
  session.Send(BuildWriteRemote(table));
}

FileError LoadRemoteTable(DeviceSession& session, const std::filesystem::path& path) {
  std::vector<uint8_t> bytes;
  if (FileError error = ReadRemoteBytes(path, bytes)) return error;
  session.Model().Update([&](DeviceState& s) { std::copy(bytes.begin(), bytes.end(), s.remote.begin()); });
  SendRemoteTable(session);
  return {};
}

}  // namespace nr
