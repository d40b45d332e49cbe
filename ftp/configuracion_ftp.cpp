#include "ftp/configuracion_ftp.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "common/texto_externo.h"
#include "platform/drive/drive.h"
#include "platform/drive/whole_file.h"
#include "platform/error.h"
#include "platform/text/blanks.h"

namespace orvo::ftp {

namespace fs = std::filesystem;

LecturaConfiguracion LeeConfiguracion() {
  LecturaConfiguracion l;
  const fs::path ruta = drive::Map(kArchivoConfiguracion);
  std::error_code ec;
  if (!fs::exists(ruta, ec)) return l;
  l.estado = EstadoConfiguracion::Ilegible;
  const std::string archivo = std::string("El archivo de configuración FTP ") + kArchivoConfiguracion;
  const auto contenido = common::LeeArchivo(ruta);
  if (!contenido) {
    l.mensaje = "No se puede leer el archivo de configuración FTP " + std::string(kArchivoConfiguracion) + ".";
    return l;
  }
  const std::vector<common::Linea> lineas = common::Lineas(*contenido);
  if (lineas.size() < 4) {
    l.mensaje = archivo +
                " tiene menos de cuatro líneas (servidor, usuario, password y path). "
                "Configure el FTP de nuevo en el Menu Terminales.";
    return l;
  }
  std::string* destinos[] = {&l.datos.servidor, &l.datos.usuario, &l.datos.password, &l.datos.path};
  for (std::size_t i = 0; i < 4; ++i) {
    auto texto = common::Decodifica(lineas[i], lineas[i].bytes);
    // A CR inside a line is no line end here, yet it would end the value in
    // the FTP command it goes into, and Linkset could not write it back.
    const bool retorno = lineas[i].bytes.find('\r') != std::string_view::npos;
    // A Ctrl-Z with more of the file after it: the value is not what was typed.
    const bool fin = common::TieneFinDeArchivo(lineas[i]);
    if (!texto || retorno || fin) {
      l.mensaje = "La línea " + std::to_string(i + 1) + " del archivo de configuración FTP " +
                  kArchivoConfiguracion + " contiene un carácter no válido (" +
                  common::CaracterRechazado(lineas[i].bytes, lineas[i].codificacion).value_or(fin ? "Ctrl-Z" : "CR") +
                  "). Configure el FTP de nuevo en el Menu Terminales.";
      l.datos = {};
      return l;
    }
    *destinos[i] = std::move(*texto);
  }
  // A blank typed after the address is invisible in every message about it;
  // no host name holds one.
  l.datos.servidor = std::string(text::TrimBlanks(l.datos.servidor));
  l.estado = EstadoConfiguracion::Leida;
  return l;
}

std::optional<std::string> BytesConfiguracion(const ConfiguracionFtp& c, int* campo) {
  const std::string* valores[] = {&c.servidor, &c.usuario, &c.password, &c.path, &c.plaza};
  std::string bytes;
  for (int i = 0; i < 5; ++i) {
    const std::string& valor = *valores[i];
    auto cp = common::AWindows1252(valor);
    // Its reader refuses a line that holds a Ctrl-Z, or loses what follows one.
    if (!cp || valor.find_first_of(std::string_view("\r\n\0\x1A", 4)) != std::string::npos) {
      if (campo) *campo = i + 1;
      return std::nullopt;
    }
    bytes += *cp;
    bytes += "\r\n";
  }
  return bytes;
}

void GuardaConfiguracion(std::string_view bytes) {
  const fs::path ruta = drive::Map(kArchivoConfiguracion);
  std::error_code ec;
  fs::create_directories(ruta.parent_path(), ec);
  try {
    drive::WriteWholeFile(ruta, bytes, 0600);
  } catch (const RuntimeError& e) {
    // The user knows the file by the name the programs give it, not by where
    // this system keeps drive C:.
    const std::string aqui = ruta.string();
    const std::string_view nombre = kArchivoConfiguracion;
    std::string texto = e.what();
    for (auto p = texto.find(aqui); p != std::string::npos; p = texto.find(aqui, p + nombre.size()))
      texto.replace(p, aqui.size(), nombre);
    throw RuntimeError(e.number, texto);
  }
}

}  // namespace orvo::ftp
