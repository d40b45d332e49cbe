// The window Fetchpurge, "Descargar poleos desde Internet": the punch files
// that internet clocks leave on the FTP server, listed; one chosen, downloaded
// into "C:\Quiravel\poleosInternet", loaded into Checadas and Listado1, and
// only then deleted on the server.
//
//   MarcadorConexion marcador(drive::ProgramFolder());
//   Fetchpurge w(bases, dialogs, runtime, marcador);
//   w.Open();     // settings, listing, marker "cnctd"; ends the program when it cannot list
//   // List1 -> txt_archivo; Command1: download and load; Command2: exit
//
// Nothing leaves the server before its punches are in the database: the file
// is downloaded whole, every line is checked, the whole file goes in one
// transaction with its row in the record of files loaded (ArchivosCargados),
// and the deletion comes last. A bad line loads nothing, is named in one
// message, and the file stays on the server. A file the record already holds
// (its deletion was refused before, or another window loaded it meanwhile) is
// not loaded again: only its deletion is retried. A listed name is sent back
// to the server byte for byte, and shown as UTF-8 or else Windows-1252. While a
// transfer runs the window keeps handling its events, but its buttons wait;
// during the download the exit (the button or closing the window) abandons
// it, loads nothing, leaves the file on the server and ends the program.
#pragma once

#include <QCloseEvent>
#include <functional>
#include <string>

#include "common/arranque.h"
#include "ftp/marcador_conexion.h"
#include "platform/forms/form.h"
#include "platform/inet/internet_transfer.h"

namespace orvo::ftp {

inline constexpr const char* kCarpetaDescarga = "C:\\Quiravel\\poleosInternet";

class Fetchpurge : public forms::Form {
  Q_OBJECT
 public:
  Fetchpurge(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime, MarcadorConexion& marcador,
             QWidget* parent = nullptr);

  // The FTP routines: true when done, false after the error's description has
  // been shown. The server gains the prefix "ftp://" when it lacks it, in the
  // caller's variable too.
  bool Listar_Ftp(std::string& Servidor_Ftp, const std::string& Usuario, const std::string& Password,
                  const std::string& Path);
  bool Bajar_Ftp(std::string& Servidor_Ftp, const std::string& Usuario, const std::string& Password,
                 const std::string& Path, const std::string& Archivo);
  bool Eliminar_Ftp(std::string& Servidor_Ftp, const std::string& Usuario, const std::string& Password,
                    const std::string& Path, const std::string& Archivo);

  // The transfer control; a test shortens its time-out.
  inet::InternetTransfer inet_FTP;

 public slots:
  void Command1_Click();  // download and load
  void Command2_Click();  // exit
  void List1_Click();

 protected:
  void Form_Load() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // How a download ended, for what the window does once it is free again.
  enum class Desenlace {
    Nada, Salida, Descargado, CargadoNoBorrado, YaCargadoBorrado, YaCargadoNoBorrado, YaCargadoYaNoEsta };

  // The load's steps; false when the program has been ended.
  bool Carga();
  Desenlace DescargaYCarga(const std::string& archivo);
  void Espera();
  // The remote name to download: the chosen entry's bytes, or what was typed.
  std::string NombreElegido() const;
  // Whether the last listing holds the remote name.
  bool Listado(const std::string& archivo) const;
  // One routine: the remote name checked (when there is one), the server's
  // prefix, the session, "CD " and the routine's own operations, all through
  // the failure step.
  bool Rutina(std::string& Servidor_Ftp, const std::string& Usuario, const std::string& Password,
              const std::string& Path, const std::string* archivo, const std::function<void()>& operaciones);
  void Termina();

  common::Bases& bases_;
  MarcadorConexion& marcador_;
  std::string servidor_, usuario_, password_, path_;
  bool ocupada_ = false;
  bool descargando_ = false;  // the exit stays usable
  bool salir_ = false;        // the exit was asked for during the download
};

}  // namespace orvo::ftp
