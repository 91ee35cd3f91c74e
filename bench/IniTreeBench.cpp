// Load and save of a large simulator-style ini file against reading it and counting lines.
#include "installation/IniTree.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

namespace {

// About 5 MB: nested car-like blocks with values, comments and references.
std::string GenerateIni() {
  std::string text = "; generated benchmark file\r\ndefaults\r\n{\r\n  physics\r\n  {\r\n";
  for (int k = 0; k < 4; ++k) text += "    coeff" + std::to_string(k) + "=" + std::to_string(k * 0.37) + " ;base\r\n";
  text += "  }\r\n}\r\n";
  for (int block = 0; text.size() < 5 * 1024 * 1024; ++block) {
    const std::string n = std::to_string(block);
    text += "car" + n + "\r\n{\r\n  name=Car number " + n + " ;display name\r\n  year=19" + std::to_string(70 + block % 30) +
            "\r\n  physics ~defaults.physics\r\n  wheel\r\n  {\r\n";
    for (int w = 0; w < 4; ++w) {
      text += "    w" + std::to_string(w) + "\r\n    {\r\n      radius=0.3" + std::to_string(w) +
              "\r\n      ; tyre model\r\n      grip= 1.1" + std::to_string(w) + " ;dry\r\n    }\r\n";
    }
    text += "  }\r\n}\r\n";
  }
  return text;
}

class IniFile : public benchmark::Fixture {
 public:
  void SetUp(benchmark::State&) override {
    if (!Path.isEmpty()) return;
    static QTemporaryDir dir;
    Path = dir.filePath("big.ini");
    const std::string text = GenerateIni();
    Size = qint64(text.size());
    QFile file(Path);
    file.open(QIODevice::WriteOnly);
    file.write(text.data(), Size);
  }

  static inline QString Path;
  static inline qint64 Size = 0;
};

BENCHMARK_F(IniFile, BaselineReadAndCountLines)(benchmark::State& state) {
  for (auto _ : state) {
    QFile file(Path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    benchmark::DoNotOptimize(std::count(bytes.begin(), bytes.end(), '\n'));
  }
  state.SetBytesProcessed(state.iterations() * Size);
}

BENCHMARK_F(IniFile, Load)(benchmark::State& state) {
  for (auto _ : state) {
    lumox::TZindoIni ini(Path);
    benchmark::DoNotOptimize(ini.ValueExists("car0.name"));
  }
  state.SetBytesProcessed(state.iterations() * Size);
}

BENCHMARK_F(IniFile, LoadAndSave)(benchmark::State& state) {
  const QString out = Path + ".out";
  for (auto _ : state) {
    lumox::TZindoIni ini(Path);
    ini.SaveToFile(QFileInfo(Path).path(), out);
  }
  state.SetBytesProcessed(state.iterations() * Size);
}

}  // namespace
