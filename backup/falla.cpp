#include "backup/falla.h"

#include <filesystem>
#include <new>
#include <string>

#include "platform/drive/file_error.h"

namespace orvo::respaldo {

RuntimeError FallaActual() {
  try {
    throw;
  } catch (const RuntimeError& e) {
    return e;
  } catch (const std::filesystem::filesystem_error& e) {
    return drive::FileError(e);
  } catch (const std::bad_alloc&) {
    return RuntimeError(7, "Memoria insuficiente");
  } catch (const std::exception& e) {
    return RuntimeError(5, std::string("Llamada a procedimiento o argumento no válidos (") + e.what() + ")");
  } catch (...) {
    return RuntimeError(5, "Llamada a procedimiento o argumento no válidos");
  }
}

}  // namespace orvo::respaldo
