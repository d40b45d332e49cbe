// The load of a punch file that needs no lookup of the employee (the USB file,
// the poll file that Fetchpurge downloads), and the message that refuses a
// file for one bad line. A file goes in whole or not at all.
//
//   const Lectura lectura = LeeUsb(bytes);
//   if (lectura.error) {
//     dialogs.MsgBox(MensajeLineaMala(*lectura.error), ...);   // nothing is loaded
//     return;
//   }
//   CargaChecadas(bases.cn, lectura.checadas);
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "common/checada.h"
#include "platform/db/connection.h"

namespace orvo::common {

// Every punch into the queue Checadas, then into the archive Listado1, all in
// one transaction: any error rolls every row back and goes up to the caller.
// `tras`, when given, runs after each punch (a window's notice). Returns the
// number of punches loaded.
long CargaChecadas(db::Connection& cn, std::span<const Checada> checadas, const std::function<void()>& tras = {});

// "La línea 2 del archivo no tiene el formato apropiado (faltan comas entre
// fecha, empleado y hora):\n\n<the line>\n\nNo se cargó ningún registro del
// archivo." `archivo`, when given, names the file after "del archivo";
// `nota` goes before the final stop (", que sigue en el servidor FTP").
std::string MensajeLineaMala(const ErrorLinea& error, std::string_view archivo = {}, std::string_view nota = {});

// "No se pudo abrir el archivo:\n\n<archivo>", for a file LeeArchivo could not read.
std::string MensajeSinAbrir(std::string_view archivo);

}  // namespace orvo::common
