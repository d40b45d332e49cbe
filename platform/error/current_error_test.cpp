#include "platform/error/current_error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>

namespace orvo::err {
namespace {
namespace fs = std::filesystem;

struct Case {
  const char* kind;
  std::function<void()> raise;
  int number;
  std::string text;
};

const Case kCases[] = {
    {"run time", [] { throw RuntimeError(3021, "No hay registro activo."); }, 3021, "No hay registro activo."},
    {"raised", [] { throw RaisedError(53, "x", "A::B"); }, 53, "x"},
    {"file system",
     [] { throw fs::filesystem_error("status", fs::path("/c/x"), std::make_error_code(std::errc::filename_too_long)); },
     52, "Nombre o número de archivo incorrecto: '/c/x'"},
    {"memory", [] { throw std::bad_alloc(); }, 7, "Memoria insuficiente"},
    {"library", [] { throw std::out_of_range("vector"); }, 5, "Llamada a procedimiento o argumento no válidos (vector)"},
    {"unknown", [] { throw 42; }, 5, "Llamada a procedimiento o argumento no válidos"},
};

TEST(CurrentErrorTest, EveryKindOfExceptionGetsOneNumberAndOneText) {
  for (const Case& k : kCases) {
    try {
      k.raise();
    } catch (...) {
      const RuntimeError e = CurrentError();
      EXPECT_EQ(e.number, k.number) << k.kind;
      EXPECT_EQ(e.what(), k.text) << k.kind;
    }
  }
}

TEST(CurrentErrorTest, RaisingAgainKeepsTheErrorUnderTheNewSource) {
  for (const Case& k : kCases) {
    bool raised = false;
    try {
      try {
        k.raise();
      } catch (...) {
        RaiseAgain("CGZipFiles::MakeZipFile");
      }
    } catch (const RaisedError& e) {
      EXPECT_EQ(e.number, k.number) << k.kind;
      EXPECT_EQ(e.what(), k.text) << k.kind;
      EXPECT_EQ(e.source, "CGZipFiles::MakeZipFile") << k.kind;
      raised = true;
    }
    EXPECT_TRUE(raised) << k.kind;
  }
}

}  // namespace
}  // namespace orvo::err
