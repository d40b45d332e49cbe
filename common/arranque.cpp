#include "common/arranque.h"

#include <filesystem>
#include <system_error>

namespace orvo::common {

void Bases::Conecta(const Arranque& a) {
  cn.Close();
  cadena = kCadenaConexion;
  cn.Open(cadena);
  rs.clear();
  for (int i = 0; i < a.recordsets; ++i) rs.push_back(std::make_unique<db::Recordset>(cn, a.bloqueo));
}

bool Inicia(Bases& bases, const Arranque& arranque, forms::Dialogs& dialogs) {
  if (arranque.pruebaArchivo) {
    // Only a normal file counts: a folder of that name is no database to connect to.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(db::ResolvePath(kBasePrincipal), ec)) {
      dialogs.MsgBox("Es necesario ejecutar primero Orvo Rivuvurazozer para definir la base de datos", forms::Buttons::Ok,
                     forms::Icon::Critical, "Orvo Derevuvi");
      return false;
    }
  }
  bases.Conecta(arranque);
  return true;
}

}  // namespace orvo::common
