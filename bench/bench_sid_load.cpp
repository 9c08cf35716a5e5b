// SPDX-License-Identifier: GPL-3.0-or-later
// Loading and listing a 10,000-patch SID file, the way "&Load SysEx file"
// fills the send list and the list then draws every row.
//
// With ZPM_BENCH_FILE set, the file is also written there, so that
// bench/zpm_info_timing.sh can time `zpm info` on it as a whole process.
#include "sid/sid_file.h"
#include "sid/sid_list.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>

namespace {

zpm::Bytes TenThousandPatchFile() {
  zpm::TPatchBank bank;
  for (int i = 0; i < 10000; ++i) {
    zpm::TPatch patch;
    patch.Bank = static_cast<uint8_t>((i / 128) % 8);
    patch.SetPatchNumber(static_cast<uint8_t>(i % 128));
    for (size_t d = 0; d < zpm::kDataSize; ++d)
      patch.Data()[d] = static_cast<uint8_t>((i * 31 + d * 7) & 0x7F);
    patch.UpdateChecksum();
    bank.Add(patch);
  }
  return zpm::SidFileBytes(bank);
}

const zpm::Bytes &File() {
  static const zpm::Bytes file = [] {
    zpm::Bytes bytes = TenThousandPatchFile();
    if (const char *path = std::getenv("ZPM_BENCH_FILE")) {
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char *>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    }
    return bytes;
  }();
  return file;
}

void BM_LoadAndListTenThousandSidPatches(benchmark::State &state) {
  const zpm::Bytes &file = File();
  for (auto _ : state) {
    zpm::TPatchBank bank;
    zpm::LoadSidFile(file, "/bench/10000.syx", bank);
    size_t characters = 0;
    for (int i = 0; i < bank.Count(); ++i)
      characters += zpm::SidListText(bank.GetPatch(i)).name.size();
    benchmark::DoNotOptimize(characters);
    if (bank.Count() != 10000)
      state.SkipWithError("the file did not load whole");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_LoadAndListTenThousandSidPatches)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
