#include "platform/error/numbers.h"

namespace orvo::err {

namespace {

struct Entry {
  int number;
  std::string_view text;
};

// The run time's and the engine's wording, as users of the old programs read it.
constexpr Entry kTexts[] = {
    {kInvalidCall, "Llamada a procedimiento o argumento no válidos"},
    {kOverflow, "Desbordamiento"},
    {kOutOfMemory, "Memoria insuficiente"},
    {kBadFileName, "Nombre o número de archivo incorrecto"},
    {kFileNotFound, "No se ha encontrado el archivo"},
    {kFileExists, "El archivo ya existe"},
    {kDiskFull, "Disco lleno"},
    {kPermissionDenied, "Permiso denegado"},
    {kAccessError, "Error de acceso a la ruta o el archivo"},
    {kPathNotFound, "No se ha encontrado la ruta de acceso"},
    {engine::kNoCurrentRecord, "No hay registro activo."},
    {engine::kDuplicateValue,
     "No se realizaron los cambios solicitados en la tabla porque crearían valores duplicados en el índice, "
     "clave principal o relación. Cambie los datos del campo o los campos que contienen datos duplicados, "
     "quite el índice o vuelva a definirlo para permitir entradas duplicadas e inténtelo de nuevo."},
    {engine::kBadPassword, "Contraseña no válida."},
    {engine::kReadOnly, "No se puede actualizar. La base de datos o el objeto es de sólo lectura."},
    {engine::kTrailingText, "Se encontraron caracteres después del final de la instrucción SQL."},
    {engine::kRecordDeleted, "El registro se ha eliminado."},
    {engine::kRelatedRecord, "No se puede agregar o cambiar el registro porque se necesita un registro relacionado."},
    {engine::kObjectClosed, "La operación no está permitida si el objeto está cerrado."},
    {engine::kObjectOpen, "La operación no está permitida si el objeto está abierto."},
};

}  // namespace

std::string_view Text(int number) {
  for (const Entry& e : kTexts) {
    if (e.number == number) return e.text;
  }
  return {};
}

}  // namespace orvo::err
