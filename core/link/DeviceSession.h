#pragma once
// What pages and tools call to change the device: each operation updates the model and sends the
// matching payload through the packet sink. Without a link the sink drops the packets and the
// model still changes, so the screen and a later mode file keep the user's edits.
#include <cstdint>
#include <span>

#include "link/Bytes.h"
#include "link/DeviceModel.h"
#include "link/PacketSink.h"
#include "link/Trace.h"

namespace nr {

class DeviceSession {
 public:
  DeviceSession(DeviceModel& model, PacketSink& sink, TraceSink* trace = nullptr)
      : model_(model), sink_(sink), trace_(trace) {}

  DeviceModel& Model() { return model_; }
  const DeviceModel& Model() const { return model_; }
  PacketSink& Sink() { return sink_; }
  TraceSink* Tracer() const { return trace_; }

  // One parameter: store the UI value, convert it by the row's type into the image word and send
  // it. An int given to a float-typed row (or the reverse) is converted first. Pairs without a
  // row, and block rows, are ignored. No allocation: this runs on every slider step.
  void SetParam(int module, int index, int value);
  void SetParam(int module, int index, float value);

  // count ready-made big-endian words (bytes.size() == 4 x count). Mirrored into the image when
  // the pair has a record there; a block larger than that record is refused whole (nothing is
  // mirrored or sent) because it would overwrite the next record. Returns false when refused.
  bool WriteParamBlock(int module, int index, std::span<const uint8_t> bytes);

  // Raw DSP words and raw image bytes: no mirror update.
  void WriteDspWords(int module, int index, std::span<const uint8_t> bytes);
  void WriteImageBytes(int offset, std::span<const uint8_t> bytes);

  // Dynamics block of output unit 0..7 or the record output (8); the settings are kept in the
  // model for the compressor page.
  void WriteDynamics(int unit, const DynamicsSettings& settings);
  void WriteMusicDynamics(const DynamicsSettings& settings);

  // Sends a ready payload; empty or overflowed payloads are never sent. For the core's operations,
  // which build their payloads with link/Commands.h: the front ends call those operations and
  // never build a payload themselves.
  int Send(const Payload& payload, bool synchronous = true);

 private:
  void SetParamValue(int row, ParamValue value);

  DeviceModel& model_;
  PacketSink& sink_;
  TraceSink* trace_;
};

}  // namespace nr
