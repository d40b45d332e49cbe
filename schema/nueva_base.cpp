#include "schema/nueva_base.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <set>
#include <vector>

#include "platform/error/file_error.h"
#include "platform/drive/whole_file.h"
#include "platform/db/database.h"
#include "schema/catalogo.h"
#include "schema/estructura.h"
#include "schema/regeneracion.h"

namespace orvo::schema {
namespace {
namespace fs = std::filesystem;

// The schema code works on the fixed paths under C:. For the length of one
// build, C: stands for another folder, so those paths land there; the drive is
// given back whatever ends the build.
class OtraUnidad {
 public:
  explicit OtraUnidad(const fs::path& raiz) {
    if (const char* antes = std::getenv("ORVO_DRIVE_C")) anterior_ = antes;
    ::setenv("ORVO_DRIVE_C", raiz.c_str(), 1);
  }
  ~OtraUnidad() {
    if (anterior_) {
      ::setenv("ORVO_DRIVE_C", anterior_->c_str(), 1);
    } else {
      ::unsetenv("ORVO_DRIVE_C");
    }
  }
  OtraUnidad(const OtraUnidad&) = delete;
  OtraUnidad& operator=(const OtraUnidad&) = delete;

 private:
  std::optional<std::string> anterior_;
};

// What the build left in its folder, removed on every way out; and the folders
// made for it, when the build failed and they hold nothing else.
class Obra {
 public:
  explicit Obra(const fs::path& carpeta) {
    std::error_code ec;
    for (fs::path p = carpeta; !p.empty() && p != p.parent_path() && !fs::exists(p, ec); p = p.parent_path()) {
      nuevas_.push_back(p);
    }
    try {
      fs::create_directories(carpeta);
    } catch (const fs::filesystem_error& e) {
      Deshaz();
      throw err::FileError(e);
    }
    std::string plantilla = (carpeta / ".orvo-newdb-XXXXXX").string();
    if (!::mkdtemp(plantilla.data())) {
      const int error = errno;
      Deshaz();
      throw err::FileError(error, carpeta);
    }
    raiz_ = plantilla;
  }
  ~Obra() {
    std::error_code ec;
    fs::remove_all(raiz_, ec);
    if (!terminada_) Deshaz();
  }
  Obra(const Obra&) = delete;
  Obra& operator=(const Obra&) = delete;

  const fs::path& Raiz() const { return raiz_; }
  void Termina() { terminada_ = true; }

 private:
  void Deshaz() {
    std::error_code ec;
    for (const fs::path& p : nuevas_) fs::remove(p, ec);  // only while empty
  }

  std::vector<fs::path> nuevas_;  // innermost first
  fs::path raiz_;
  bool terminada_ = false;
};

// The whole build, at the fixed paths of whatever folder C: stands for now.
void Construye(const std::string& empresa) {
  fs::create_directories(db::ResolvePath("C:\\Quiravel"));
  db::TableDef empresarial{"Empresarial", {}};
  for (const Columna& c : Catalogo()) {
    if (c.base != Base::Principal || c.tabla != "Empresarial" || !(c.listas & Creador)) continue;
    empresarial.fields.push_back(CampoDe(c));
  }
  // The acceptance sentence that reports print; the regeneration fills it.
  empresarial.fields.emplace_back("TFirma", db::Type::Memo, 0, true);

  auto base = db::Database::Create(kBasePrincipal, kLocale, common::kClavePrincipal);
  base.Append(empresarial);
  base.Execute("INSERT INTO Empresarial (Empresa) VALUES (?)", std::vector<db::Value>{empresa});
  base.Close();

  // Every other table as the catalogue's creators make it, so that the pass
  // below finds them all and completes them at once.
  std::set<std::string_view> hechos{"Crea_Empresarial"};
  for (const Tabla& t : TablasPrincipal()) {
    if (!t.creador.empty() && hechos.insert(t.creador).second) Crea(t.creador);
  }
  // Then one regeneration pass, as the administrator program runs it after a
  // new definition: the upgrade-only columns, the lookup indexes, the
  // auxiliary database and the default rows. The connection closes before the
  // files move, so nothing of them is left in a journal beside them.
  common::Bases bases;
  bases.Conecta(kArranque);
  ActualizaEstructura(bases);
  bases.Conecta(kArranque);
  CompletaDatos(bases);
  bases.rs.clear();
  bases.cn.Close();
}

}  // namespace

void CreaBasePrincipal(const std::string& empresa) {
  const fs::path principal = db::ResolvePath(kBasePrincipal);
  const fs::path auxiliar = db::ResolvePath(kBaseAuxiliar);
  const fs::path carpeta = principal.parent_path();
  if (fs::exists(principal)) throw err::FileError(EEXIST, principal);

  Obra obra(carpeta);
  {
    OtraUnidad unidad(obra.Raiz());
    Construye(empresa);
  }
  const fs::path hecha = obra.Raiz() / "Quiravel" / "Quiravel.mdb";
  const fs::path hechaAux = obra.Raiz() / "Quiravel" / "Auxiliar.mdb";
  // Never over a main database that appeared meanwhile; and the auxiliary
  // file, which every regeneration rebuilds anyway, only once the main one is
  // in place, or the main one goes again.
  if (::renameat2(AT_FDCWD, hecha.c_str(), AT_FDCWD, principal.c_str(), RENAME_NOREPLACE) != 0) {
    throw err::FileError(errno, principal);
  }
  if (::rename(hechaAux.c_str(), auxiliar.c_str()) != 0) {
    const int error = errno;
    ::unlink(principal.c_str());
    throw err::FileError(error, auxiliar);
  }
  obra.Termina();
  // The engine has put the files' contents on disk; their new names too.
  drive::SyncFolder(carpeta);
}

}  // namespace orvo::schema
