// Cost of drawing one section's curve and of designing one section.
#include <benchmark/benchmark.h>

#include "eq/Biquad.h"

namespace {

void EvalCurve(benchmark::State& state, int type) {
  nr::ResponseCurve out;
  double freq = 1000.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(freq);
    nr::EvalResponse(type, freq, 6.0, 1.414, 18.0, 23000.0, 600, out);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * nr::kResponsePoints);
}

void BM_EvalResponsePeaking(benchmark::State& state) { EvalCurve(state, nr::kPeaking); }
void BM_EvalResponseChebyshev(benchmark::State& state) { EvalCurve(state, nr::kChebyshevLowPass); }

// Every call on a new axis, so the per-axis frequency table is rebuilt each time.
void BM_EvalResponseAxisChange(benchmark::State& state) {
  nr::ResponseCurve out;
  double fMax = 23000.0;
  for (auto _ : state) {
    fMax = fMax < 23100.0 ? fMax + 1.0 : 23000.0;
    nr::EvalResponse(nr::kPeaking, 1000.0, 6.0, 1.414, 18.0, fMax, 600, out);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}

void BM_DesignBiquad(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  double freq = 1000.0, gain = 6.0, q = 1.414;
  for (auto _ : state) {
    benchmark::DoNotOptimize(freq);
    benchmark::DoNotOptimize(gain);
    benchmark::DoNotOptimize(q);
    nr::BiquadCoeffs c = nr::DesignBiquad(type, gain, freq, q);
    benchmark::DoNotOptimize(c);
  }
}

}  // namespace

BENCHMARK(BM_EvalResponsePeaking);
BENCHMARK(BM_EvalResponseChebyshev);
BENCHMARK(BM_EvalResponseAxisChange);
BENCHMARK(BM_DesignBiquad)->Arg(nr::kPeaking)->Arg(nr::kLowShelf)->Arg(nr::kChebyshevLowPass)->Arg(18);
