#include "ftp/marcador_conexion.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "common/lanzamiento.h"
#include "platform/inet/internet_transfer.h"

namespace orvo::ftp {

namespace {

// What a signal handler may touch: a fixed buffer and unlink.
char rutaSenal[4096];
volatile sig_atomic_t hayRuta = 0;

void AlTerminar(int senal) {
  if (hayRuta) ::unlink(rutaSenal);
  inet::RemovePartialDownloads();
  ::signal(senal, SIG_DFL);
  ::raise(senal);
}

void Vigila(const std::filesystem::path& ruta) {
  const std::string texto = ruta.string();
  if (texto.size() >= sizeof rutaSenal) return;
  hayRuta = 0;
  std::memcpy(rutaSenal, texto.c_str(), texto.size() + 1);
  hayRuta = 1;
  struct sigaction accion {};
  accion.sa_handler = AlTerminar;
  sigemptyset(&accion.sa_mask);
  for (int senal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(senal, &accion, nullptr);
}

}  // namespace

MarcadorConexion::MarcadorConexion(std::filesystem::path carpeta) : carpeta_(std::move(carpeta)) {}

MarcadorConexion::~MarcadorConexion() { Borra(); }

std::filesystem::path MarcadorConexion::Ruta() const { return carpeta_ / std::string(kMarcadorConexion); }

void MarcadorConexion::Crea() {
  Vigila(Ruta());
  common::CreaMarcador(carpeta_, kMarcadorConexion);
}

void MarcadorConexion::Borra() {
  // On this platform a read-only file goes as any other.
  ::unlink(Ruta().c_str());
}

}  // namespace orvo::ftp
