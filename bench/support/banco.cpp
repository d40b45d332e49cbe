#include "bench/support/banco.h"

#include "platform/forms/application.h"
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/testsupport/temp_drive.h"

namespace orvo::bench {

double Segundos(Reloj::time_point desde) { return std::chrono::duration<double>(Reloj::now() - desde).count(); }

bool Check(bool ok, const std::string& what) {
  if (!ok) std::fprintf(stderr, "FALLO: %s\n", what.c_str());
  return ok;
}

std::string Miles(double v) {
  const std::string cifras = std::to_string(static_cast<long long>(v + 0.5));
  std::string s;
  for (std::size_t i = 0; i < cifras.size(); ++i) {
    if (i > 0 && (cifras.size() - i) % 3 == 0) s += ',';
    s += cifras[i];
  }
  return s;
}

std::optional<long> Tamano(int argc, char** argv, int posicion, long porOmision) {
  if (argc <= posicion) return porOmision;
  const char* a = argv[posicion];
  const char* fin = a + std::strlen(a);
  long n = 0;
  const auto [resto, ec] = std::from_chars(a, fin, n);
  if (ec != std::errc() || resto != fin || n < 0) return std::nullopt;
  return n;
}

int Banco(int argc, char** argv, const char* nombre, const char* tamano, long porOmision,
          const std::function<int(long)>& corre) {
  const std::optional<long> n = Tamano(argc, argv, 1, porOmision);
  if (!n) {
    std::fprintf(stderr, "usage: %s [%s]\n", nombre, tamano);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  orvo::forms::Application app(argc, argv);

  orvo::testing::TempDrive c;
  try {
    return corre(*n);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", nombre, e.what());
  }
  return 2;
}

}  // namespace orvo::bench
