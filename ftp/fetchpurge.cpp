#include "ftp/fetchpurge.h"

#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <filesystem>
#include <system_error>

#include "common/carga_checadas.h"
#include "common/texto_externo.h"
#include "ftp/archivos_cargados.h"
#include "ftp/configuracion_ftp.h"
#include "ftp/listado_ftp.h"
#include "ftp/poleo_internet.h"
#include "platform/drive/drive.h"
#include "platform/error/file_error.h"
#include "platform/error.h"
#include "platform/forms/busy_window.h"
#include "platform/forms/picture_button.h"

namespace orvo::ftp {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSinConfiguracion = "Primero configure el FTP en el Menu Terminales";
constexpr const char* kNoDisponible = "El servidor FTP no esta diponible en este momento, intente mas tarde";
constexpr const char* kSinArchivo = "No hay seleccionado archivo para subir";
constexpr const char* kDescargado = " Archivo Descargado del Servidor";
constexpr std::size_t kTrozo = 1024;

QString Q(std::string_view texto) { return QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size())); }

// The local copy of a remote file: named as the window shows it.
fs::path Descarga(const std::string& archivo) {
  return drive::Map(std::string(kCarpetaDescarga) + "\\" + NombreMostrado(archivo));
}

// A remote name is used in a command or a path only after this.
void PruebaNombre(const std::string& archivo) {
  if (!NombreRemotoValido(archivo))
    throw RuntimeError(inet::kErrorTransfer, "El nombre de archivo no es válido: " + NombreMostrado(archivo));
}

// The remote name's bytes, as the list holds them beside the name shown.
constexpr int kNombreRemoto = Qt::UserRole;

// The exit during a download: it unwinds the routine's wait.
struct Abandono {};

}  // namespace

Fetchpurge::Fetchpurge(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime,
                       MarcadorConexion& marcador, QWidget* parent)
    : Form(dialogs, runtime, parent), bases_(bases), marcador_(marcador) {
  setWindowTitle(Q("Descargar poleos desde Internet"));
  setFont(QFont("Verdana", 9));

  auto* rotuloLista = Control<QLabel>("Label2", Q("Seleccione el archivo del Servidor FTP"));
  auto* lista = Control<QListWidget>("List1");
  auto* rotuloArchivo = Control<QLabel>("Label1", Q("Archivo a Descargar"));
  auto* archivo = Control<QLineEdit>("txt_archivo");
  auto* descargar = Control<QPushButton>("Command1");
  auto* salir = Control<QPushButton>("Command2");
  auto* version = Control<QLabel>("Label3", Q("V 3.5 +"));
  // The raw listing, kept as the routines received it; not for the user.
  auto* datos = Control<QPlainTextEdit>("txtdata");
  datos->setReadOnly(true);
  datos->hide();

  forms::MakePictureButton(descargar, QStyle::SP_ArrowDown);
  forms::MakePictureButton(salir, QStyle::SP_DialogCloseButton);
  lista->setMinimumSize(360, 200);

  auto* rejilla = new QGridLayout(this);
  rejilla->addWidget(rotuloLista, 0, 0, 1, 3);
  rejilla->addWidget(lista, 1, 0, 1, 3);
  rejilla->addWidget(rotuloArchivo, 2, 0, 1, 3);
  rejilla->addWidget(archivo, 3, 0, 1, 3);
  rejilla->addWidget(descargar, 4, 0, Qt::AlignLeft);
  rejilla->addWidget(version, 4, 1, Qt::AlignCenter | Qt::AlignBottom);
  rejilla->addWidget(salir, 4, 2, Qt::AlignRight);
  rejilla->setColumnStretch(1, 1);

  OnClick(descargar, &Fetchpurge::Command1_Click);
  OnClick(salir, &Fetchpurge::Command2_Click);
  On(lista, &QListWidget::currentRowChanged, &Fetchpurge::List1_Click);
}

void Fetchpurge::Form_Load() {
  PreparaRegistro(bases_.cn);
  Carga();
}

bool Fetchpurge::Carga() {
  const LecturaConfiguracion configuracion = LeeConfiguracion();
  if (configuracion.estado == EstadoConfiguracion::Falta) {
    dialogs().MsgBox(kSinConfiguracion, forms::Buttons::Ok, forms::Icon::None, "");
    Termina();
    return false;
  }
  if (configuracion.estado == EstadoConfiguracion::Ilegible) {
    dialogs().MsgBox(configuracion.mensaje, forms::Buttons::Ok, forms::Icon::Critical, runtime().Title());
    Termina();
    return false;
  }
  servidor_ = configuracion.datos.servidor;
  usuario_ = configuracion.datos.usuario;
  password_ = configuracion.datos.password;
  path_ = configuracion.datos.path;

  const fs::path carpeta = drive::Map(kCarpetaDescarga);
  std::error_code ec;
  if (!fs::is_directory(carpeta, ec) && !fs::create_directories(carpeta, ec) && ec) throw err::FileError(ec, carpeta.string());
  // What downloads of runs killed outright left behind.
  inet::RemoveAbandonedPartialFiles(carpeta);

  const bool listado = Listar_Ftp(servidor_, usuario_, password_, path_);
  marcador_.Crea();
  Find<QLineEdit>("txt_archivo")->clear();
  if (!listado) {
    dialogs().MsgBox(kNoDisponible, forms::Buttons::Ok, forms::Icon::None, "");
    Termina();
    return false;
  }
  return true;
}

void Fetchpurge::List1_Click() {
  if (QListWidgetItem* elegido = Find<QListWidget>("List1")->currentItem())
    Find<QLineEdit>("txt_archivo")->setText(elegido->text());
}

std::string Fetchpurge::NombreElegido() const {
  const QString texto = Find<QLineEdit>("txt_archivo")->text();
  // The entry's own bytes while the box shows its name; what the user typed otherwise.
  if (const QListWidgetItem* elegido = Find<QListWidget>("List1")->currentItem(); elegido && elegido->text() == texto)
    return elegido->data(kNombreRemoto).toByteArray().toStdString();
  return texto.toStdString();
}

bool Fetchpurge::Listado(const std::string& archivo) const {
  const auto* lista = Find<QListWidget>("List1");
  for (int i = 0; i < lista->count(); ++i)
    if (lista->item(i)->data(kNombreRemoto).toByteArray().toStdString() == archivo) return true;
  return false;
}

void Fetchpurge::Command1_Click() {
  if (ocupada_) return;
  const std::string archivo = NombreElegido();
  if (archivo.empty()) {
    dialogs().MsgBox(kSinArchivo, forms::Buttons::Ok, forms::Icon::None, "");
    return;
  }

  Desenlace desenlace;
  {
    // Whatever ends the transfer, the window and the pointer are given back.
    const forms::BusyWindow ocupada(
        {.flag = &ocupada_, .disable = {Find("Command1"), Find("Command2")}, .waitCursor = true});
    desenlace = DescargaYCarga(archivo);
  }
  const std::string nombre = NombreMostrado(archivo);
  const auto yaCargado = [&](const char* donde) {
    return "El archivo " + nombre + " ya estaba cargado en la base de datos, así que no se volvió a cargar; " + donde;
  };
  switch (desenlace) {
    case Desenlace::Salida: Termina(); break;
    case Desenlace::Descargado: dialogs().MsgBox(kDescargado, forms::Buttons::Ok, forms::Icon::None, ""); break;
    case Desenlace::CargadoNoBorrado:
      dialogs().MsgBox("El archivo " + nombre +
                           " se cargó en la base de datos, pero sigue en el servidor FTP. Si lo vuelve a descargar no "
                           "se cargará otra vez: solo se intentará borrarlo del servidor.",
                       forms::Buttons::Ok, forms::Icon::Exclamation, runtime().Title());
      break;
    case Desenlace::YaCargadoBorrado:
      dialogs().MsgBox(yaCargado("se borró del servidor FTP."), forms::Buttons::Ok, forms::Icon::Information,
                       runtime().Title());
      break;
    case Desenlace::YaCargadoNoBorrado:
      dialogs().MsgBox(yaCargado("sigue en el servidor FTP porque no se pudo borrar."), forms::Buttons::Ok,
                       forms::Icon::Exclamation, runtime().Title());
      break;
    case Desenlace::YaCargadoYaNoEsta:
      dialogs().MsgBox(yaCargado("ya no está en el servidor FTP."), forms::Buttons::Ok, forms::Icon::Information,
                       runtime().Title());
      break;
    case Desenlace::Nada: break;
  }
}

Fetchpurge::Desenlace Fetchpurge::DescargaYCarga(const std::string& archivo) {
  // Nothing is loaded before the download is whole, so it may be abandoned.
  descargando_ = true;
  Find("Command2")->setEnabled(true);
  const bool bajado = Bajar_Ftp(servidor_, usuario_, password_, path_, archivo);
  descargando_ = false;
  Find("Command2")->setEnabled(false);
  if (salir_) return Desenlace::Salida;
  if (!bajado) return Desenlace::Nada;

  const std::string nombre = NombreMostrado(archivo);
  const fs::path local = Descarga(archivo);
  const auto contenido = common::LeeArchivo(local);
  if (!contenido) {
    dialogs().MsgBox(common::MensajeSinAbrir(local.string()), forms::Buttons::Ok, forms::Icon::Critical,
                     runtime().Title());
    return Desenlace::Nada;
  }
  const common::Lectura lectura = LeePoleoInternet(*contenido);
  // An error of the database goes up untrapped; the transaction has then
  // written nothing, and the file is still on the server. A file whose
  // deletion was refused comes back whole: only the deletion is left to do.
  const ResultadoCarga carga = CargaUnaVez(bases_.cn, Huella(nombre, *contenido), [&] {
    if (lectura.error) return false;
    common::CargaChecadas(bases_.cn, lectura.checadas);
    return true;
  });
  if (carga == ResultadoCarga::Rechazado) {
    dialogs().MsgBox(common::MensajeLineaMala(*lectura.error, nombre, ", que sigue en el servidor FTP"),
                     forms::Buttons::Ok, forms::Icon::Critical, runtime().Title());
    return Desenlace::Nada;
  }
  const bool borrado = Eliminar_Ftp(servidor_, usuario_, password_, path_, archivo);
  // The fresh listing is a transfer too.
  if (!Carga()) return Desenlace::Nada;
  // A deletion refused because another window took the file first leaves
  // nothing on the server: only the listing tells the two apart.
  const bool sigue = !borrado && Listado(archivo);
  if (carga == ResultadoCarga::YaCargado)
    return borrado ? Desenlace::YaCargadoBorrado : sigue ? Desenlace::YaCargadoNoBorrado : Desenlace::YaCargadoYaNoEsta;
  return sigue ? Desenlace::CargadoNoBorrado : Desenlace::Descargado;
}

void Fetchpurge::Command2_Click() {
  // During the download the exit abandons it; the transfer's wait ends the program.
  if (descargando_) {
    salir_ = true;
    return;
  }
  if (ocupada_) return;
  Termina();
}

void Fetchpurge::Termina() {
  marcador_.Borra();
  Unload();
}

void Fetchpurge::closeEvent(QCloseEvent* event) {
  // Closing in the middle of a transfer would end the program under it: a
  // download is abandoned first, anything else is let finish.
  if (ocupada_ && !Unloaded()) {
    if (descargando_) salir_ = true;
    event->ignore();
    return;
  }
  marcador_.Borra();
  Form::closeEvent(event);
}

void Fetchpurge::Espera() {
  while (inet_FTP.StillExecuting()) {
    forms::DoEvents();
    if (salir_) throw Abandono{};
  }
}

bool Fetchpurge::Rutina(std::string& Servidor_Ftp, const std::string& Usuario, const std::string& Password,
                        const std::string& Path, const std::string* archivo,
                        const std::function<void()>& operaciones) {
  try {
    if (archivo) PruebaNombre(*archivo);
    std::string prefijo = Servidor_Ftp.substr(0, 6);
    for (char& c : prefijo) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (prefijo != "ftp://") Servidor_Ftp = "ftp://" + Servidor_Ftp;
    inet_FTP.URL = Servidor_Ftp;
    inet_FTP.UserName = Usuario;
    inet_FTP.Password = Password;
    inet_FTP.Cd(Path);
    Espera();
    operaciones();
    return true;
  } catch (const Abandono&) {
    // The user left: the session goes, and with it the partial file.
    inet_FTP.Quit();
    return false;
  } catch (const std::exception& e) {
    // A broken session is not carried into the next routine.
    inet_FTP.Quit();
    std::string mensaje = e.what();
    // The transfer names the file by its bytes; the user knows it as shown.
    if (archivo && !archivo->empty()) {
      const std::string mostrado = NombreMostrado(*archivo);
      for (std::size_t i = mensaje.find(*archivo); i != std::string::npos && mostrado != *archivo;
           i = mensaje.find(*archivo, i + mostrado.size()))
        mensaje.replace(i, archivo->size(), mostrado);
    }
    dialogs().MsgBox(mensaje, forms::Buttons::Ok, forms::Icon::Critical, runtime().Title());
    return false;
  }
}

bool Fetchpurge::Listar_Ftp(std::string& Servidor_Ftp, const std::string& Usuario, const std::string& Password,
                            const std::string& Path) {
  return Rutina(Servidor_Ftp, Usuario, Password, Path, nullptr, [this] {
    inet_FTP.Dir();
    Espera();
    std::string texto;
    for (std::string trozo = inet_FTP.GetChunk(kTrozo); !trozo.empty(); trozo = inet_FTP.GetChunk(kTrozo)) {
      texto += trozo;
      forms::DoEvents();
    }
    inet_FTP.Quit();
    Find<QPlainTextEdit>("txtdata")->setPlainText(Q(texto));
    auto* lista = Find<QListWidget>("List1");
    lista->clear();
    for (const std::string& nombre : PartirListado(texto)) {
      auto* entrada = new QListWidgetItem(Q(NombreMostrado(nombre)), lista);
      entrada->setData(kNombreRemoto, QByteArray::fromStdString(nombre));
    }
  });
}

bool Fetchpurge::Bajar_Ftp(std::string& Servidor_Ftp, const std::string& Usuario, const std::string& Password,
                           const std::string& Path, const std::string& Archivo) {
  return Rutina(Servidor_Ftp, Usuario, Password, Path, &Archivo, [&] {
    inet_FTP.Recv(Archivo, Descarga(Archivo));
    Espera();
    inet_FTP.Quit();
  });
}

bool Fetchpurge::Eliminar_Ftp(std::string& Servidor_Ftp, const std::string& Usuario, const std::string& Password,
                              const std::string& Path, const std::string& Archivo) {
  return Rutina(Servidor_Ftp, Usuario, Password, Path, &Archivo, [&] {
    inet_FTP.Delete(Archivo);
    Espera();
    inet_FTP.Quit();
  });
}

}  // namespace orvo::ftp
