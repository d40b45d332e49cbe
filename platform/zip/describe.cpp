#include "platform/zip/describe.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <zlib.h>

#include "platform/drive/drive.h"

namespace orvo::zip {

std::string DescribeSystemError(int error) {
  switch (error) {
    case ENOSPC: return "no queda espacio en el disco";
    case EDQUOT: return "se ha superado la cuota de disco";
    case EFBIG: return "el archivo es demasiado grande";
    case EACCES:
    case EPERM: return "permiso denegado";
    case EROFS: return "el disco es de solo lectura";
    case ENOENT: return "no existe el archivo o la carpeta";
    case ENOTDIR: return "una parte de la ruta no es una carpeta";
    case EISDIR: return "es una carpeta";
    case EIO: return "error de entrada/salida del disco";
    case EMFILE:
    case ENFILE: return "hay demasiados archivos abiertos";
    case ENAMETOOLONG: return "el nombre es demasiado largo";
    case ENOMEM: return "memoria insuficiente";
    default: return "error número " + std::to_string(error) + " del sistema";
  }
}

std::string DescribeZlibError(int error) {
  switch (error) {
    case Z_DATA_ERROR: return "los datos comprimidos están dañados";
    case Z_MEM_ERROR: return "memoria insuficiente para descomprimir";
    case Z_BUF_ERROR: return "los datos comprimidos están incompletos";
    case Z_STREAM_ERROR: return "error interno de la descompresión";
    case Z_VERSION_ERROR: return "la versión de la biblioteca de compresión no es compatible";
    default: return "error número " + std::to_string(error) + " de la compresión";
  }
}

std::string DescribeZipError(int zipError, int systemError) {
  zip_error_t e;
  zip_error_init(&e);
  zip_error_set(&e, zipError, systemError);
  const bool fromSystem = systemError != 0 && zip_error_system_type(&e) == ZIP_ET_SYS;
  std::string text;
  switch (zipError) {
    case ZIP_ER_CRC: text = "error de CRC: los datos están dañados"; break;
    case ZIP_ER_COMPRESSED_DATA: text = "los datos comprimidos están dañados"; break;
    case ZIP_ER_NOZIP: text = "no es un archivo zip"; break;
    case ZIP_ER_INCONS: text = "el archivo zip es incoherente o está dañado"; break;
    case ZIP_ER_EOF: text = "el archivo zip termina antes de tiempo"; break;
    case ZIP_ER_NOENT: text = "no existe el archivo"; break;
    case ZIP_ER_OPEN: text = "no se puede abrir"; break;
    case ZIP_ER_READ: text = "error de lectura"; break;
    case ZIP_ER_WRITE: text = "error de escritura"; break;
    case ZIP_ER_SEEK: text = "error de posicionamiento"; break;
    case ZIP_ER_TMPOPEN: text = "no se puede crear el archivo temporal"; break;
    case ZIP_ER_RENAME: text = "no se puede renombrar el archivo temporal"; break;
    case ZIP_ER_CLOSE: text = "no se puede cerrar el archivo"; break;
    case ZIP_ER_REMOVE: text = "no se puede borrar el archivo"; break;
    case ZIP_ER_MEMORY: text = "memoria insuficiente"; break;
    case ZIP_ER_COMPNOTSUPP: text = "método de compresión no admitido"; break;
    case ZIP_ER_ENCRNOTSUPP: text = "método de cifrado no admitido"; break;
    case ZIP_ER_NOPASSWD: text = "falta la contraseña"; break;
    case ZIP_ER_WRONGPASSWD: text = "la contraseña no es correcta"; break;
    case ZIP_ER_MULTIDISK: text = "los archivos zip de varios discos no se admiten"; break;
    case ZIP_ER_ZLIB: text = DescribeZlibError(systemError); break;
    case ZIP_ER_EXISTS: text = "el archivo ya existe"; break;
    case ZIP_ER_ZIPCLOSED: text = "el archivo zip está cerrado"; break;
    case ZIP_ER_CHANGED: text = "la entrada fue modificada"; break;
    case ZIP_ER_DELETED: text = "la entrada fue borrada"; break;
    case ZIP_ER_INVAL: text = "argumento no válido"; break;
    case ZIP_ER_INTERNAL: text = "error interno de la biblioteca zip"; break;
    case ZIP_ER_RDONLY: text = "el archivo zip es de solo lectura"; break;
    case ZIP_ER_OPNOTSUPP: text = "operación no admitida"; break;
    case ZIP_ER_INUSE: text = "el recurso está en uso"; break;
    case ZIP_ER_TELL: text = "error al leer la posición en el archivo"; break;
    case ZIP_ER_CANCELLED: text = "la operación fue cancelada"; break;
    default: text = "error número " + std::to_string(zipError) + " de la biblioteca zip"; break;
  }
  zip_error_fini(&e);
  if (fromSystem) text += ": " + DescribeSystemError(systemError);
  return text;
}

std::string DescribeZipError(zip_error_t* error) {
  return DescribeZipError(zip_error_code_zip(error), zip_error_code_system(error));
}

std::filesystem::path MapName(std::string_view name) {
  const bool hasDrive = name.size() >= 2 && name[1] == ':';
  const bool rooted = !name.empty() && (name[0] == '\\' || name[0] == '/');
  if (hasDrive || rooted) return drive::Map(name);
  std::string relative(name);
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  return std::filesystem::current_path() / relative;
}

}  // namespace orvo::zip
