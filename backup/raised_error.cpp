#include "backup/raised_error.h"

#include <exception>
#include <new>

namespace orvo::backup {

void RaiseAgain(std::string_view source) {
  try {
    throw;
  } catch (const RuntimeError& e) {
    throw RaisedError(e.number, e.what(), std::string(source));
  } catch (const std::bad_alloc&) {
    throw RaisedError(7, "Memoria insuficiente", std::string(source));
  } catch (const std::exception& e) {
    std::string description = "Llamada a procedimiento o argumento no válidos";
    if (*e.what() != '\0') description += std::string(" (") + e.what() + ")";
    throw RaisedError(5, description, std::string(source));
  } catch (...) {
    throw RaisedError(5, "Llamada a procedimiento o argumento no válidos", std::string(source));
  }
}

}  // namespace orvo::backup
