// Time and memory measurements shared by the benchmarks.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace efd::bench {

using Relogio = std::chrono::steady_clock;

inline double Segundos(Relogio::time_point desde) {
  return std::chrono::duration<double>(Relogio::now() - desde).count();
}

// A line of /proc/self/status in MiB (VmRSS: resident now; VmHWM: peak).
inline double MemoriaMiB(const char* chave) {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char linha[256];
  double kib = 0;
  const size_t n = std::char_traits<char>::length(chave);
  while (std::fgets(linha, sizeof linha, f))
    if (std::string_view(linha).starts_with(chave) && linha[n] == ':')
      kib = std::strtod(linha + n + 1, nullptr);
  std::fclose(f);
  return kib / 1024;
}

// Starts a new peak (VmHWM) at the resident memory of now. False when the
// kernel does not allow it; the peak is then the process's.
inline bool ReiniciarPico() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (!f) return false;
  const bool ok = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

}  // namespace efd::bench
