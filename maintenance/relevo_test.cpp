// The window Relevo on the offscreen platform, its boxes scripted, over a real
// main database; its report printed to a real PDF and read back with pdftotext.
#include "maintenance/relevo.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <functional>

#include "common/lanzamiento.h"
#include "maintenance/base_de_prueba.h"
#include "platform/forms/scripted_dialogs.h"

namespace orvo::maintenance {
namespace {

namespace fs = std::filesystem;
using forms::Buttons;
using forms::Icon;
using forms::ScriptedDialogs;
using prueba::BaseDePrueba;

// A shift of every weekday with this id.
void Turno(BaseDePrueba& b, db::Value id) {
  b.bases.cn.Execute("INSERT INTO Turnos (Id_Turno, Nombre, Dia) VALUES (?, 'Matutino', 'LUNES')", {std::move(id)});
}

struct Programa : prueba::ProgramaDePrueba<Relevo> {
  // `marcador`: whether the administrator program left "RevTI" in the program folder.
  explicit Programa(const Datos& datos, bool marcador = true)
      : ProgramaDePrueba("Relevo", 2, datos, [marcador](BaseDePrueba& b, forms::Dialogs& d, forms::Runtime& r) {
          const fs::path carpeta = b.c.Path("Programa");
          fs::create_directories(carpeta);
          if (marcador) common::CreaMarcador(carpeta, common::kMarcadorRelevo);
          return std::make_unique<Relevo>(b.bases, d, r, carpeta);
        }) {}
  fs::path Carpeta() const { return b.c.Path("Programa"); }
  void Reporte() { QTest::mouseClick(w.Find("Command5"), Qt::LeftButton); }

  // The report printed to a PDF and read back, one text per page.
  std::vector<std::string> Paginas() {
    const fs::path pdf = b.c.Path("relevo.pdf");
    w.Reporte()->GuardaPdf(QString::fromStdString(pdf.string()));
    QProcess pdftotext;
    pdftotext.start(ORVO_PDFTOTEXT, {"-layout", QString::fromStdString(pdf.string()), "-"});
    EXPECT_TRUE(pdftotext.waitForFinished(60000));
    EXPECT_EQ(pdftotext.exitCode(), 0) << pdftotext.readAllStandardError().toStdString();
    const std::string texto = pdftotext.readAllStandardOutput().toStdString();
    std::vector<std::string> paginas;
    std::size_t inicio = 0;
    for (std::size_t corte; (corte = texto.find('\f', inicio)) != std::string::npos; inicio = corte + 1)
      paginas.push_back(texto.substr(inicio, corte - inicio));
    return paginas;
  }

};

TEST(RelevoTest, RefusesToRunWithoutItsStartMarker) {
  Programa p([](BaseDePrueba&) {}, false);
  EXPECT_FALSE(p.abierta);
  EXPECT_FALSE(p.w.isVisible());
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EXPECT_EQ(p.boxes.shown[0].text, "Este Modulo solo se ejecuta desde Orvo Rivuvurazozer");
  EXPECT_EQ(p.boxes.shown[0].title, "Orvo");
  EXPECT_EQ(p.boxes.shown[0].icon, Icon::Exclamation);
  EXPECT_EQ(p.boxes.shown[0].buttons, Buttons::Ok);
}

TEST(RelevoTest, StartsWithItsMarkerAndRemovesIt) {
  Programa p([](BaseDePrueba&) {});
  EXPECT_TRUE(p.abierta);
  EXPECT_TRUE(p.w.isVisible());
  EXPECT_TRUE(p.boxes.shown.empty());
  EXPECT_FALSE(fs::exists(p.Carpeta() / "RevTI"));
  EXPECT_EQ(p.w.windowTitle(), "Empleados con turno invalido");
  EXPECT_EQ(p.w.Find<QLabel>("Label1")->text(), "  Listado de empleados con turno no valido");
  ASSERT_NE(p.w.Find<QPushButton>("Command5"), nullptr);
  QTest::mouseClick(p.w.Find("Command1"), Qt::LeftButton);
  EXPECT_TRUE(p.w.Unloaded());
}

TEST(RelevoTest, NoEmployeeWithoutAValidShiftShowsNoReport) {
  Programa p([](BaseDePrueba& b) {
    Turno(b, std::int64_t{1});
    b.Empleado(std::int64_t{1}, "10", std::int64_t{1});
    b.Empleado(std::int64_t{2}, "11", std::int64_t{0});  // the flexible shift
    b.Empleado(std::int64_t{3}, "12", db::Value{});      // no shift given
  });
  p.Reporte();
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EXPECT_EQ(p.boxes.shown[0].text, "No se encontraron coincidencias");
  EXPECT_EQ(p.boxes.shown[0].title, "");
  EXPECT_EQ(p.boxes.shown[0].icon, Icon::None);
  EXPECT_EQ(p.w.Reporte(), nullptr);
  EXPECT_EQ(p.w.Vista(), nullptr);
}

TEST(RelevoTest, ListsEmployeesWhoseShiftIsGoneInNumberOrder) {
  Programa p([](BaseDePrueba& b) {
    Turno(b, std::int64_t{1});
    Turno(b, db::Value{});  // a shift row without id must not hide anyone
    b.Empleado(std::int64_t{1}, "30", std::int64_t{7}, "Ana", "Ruiz", "López", "N");  // inactive, still listed
    b.Empleado(std::int64_t{2}, "11", std::int64_t{1});
    b.Empleado(std::int64_t{3}, "200", std::int64_t{5}, "Luis", std::nullopt, "Gómez");
    b.Empleado(std::int64_t{4}, "12", std::int64_t{0});
  });
  p.Reporte();
  EXPECT_TRUE(p.boxes.shown.empty());
  ASSERT_NE(p.w.Reporte(), nullptr);
  EXPECT_EQ(p.w.Reporte()->Empresa(), "Empresa de prueba");
  const auto& filas = p.w.Reporte()->Filas();
  ASSERT_EQ(filas.size(), 2u);
  EXPECT_EQ(filas[0].No_Empleado, "200");
  EXPECT_EQ(filas[0].ncomp, "Luis  Gómez");
  EXPECT_EQ(filas[1].No_Empleado, "30");
  EXPECT_EQ(filas[1].ncomp, "Ana Ruiz López");
  ASSERT_NE(p.w.Vista(), nullptr);
  EXPECT_TRUE(p.w.Vista()->isVisible());
  EXPECT_FALSE(p.w.Vista()->isModal());
  EXPECT_EQ(p.w.Vista()->windowTitle(), "Reporte de Personal sin turnos validos");
  // A second report replaces the first preview.
  QPointer<QPrintPreviewDialog> primera = p.w.Vista();
  p.Reporte();
  QTest::qWait(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(primera.isNull());
  EXPECT_TRUE(p.w.Vista()->isVisible());
  // Closing the window closes the preview too.
  QPointer<QPrintPreviewDialog> segunda = p.w.Vista();
  QTest::mouseClick(p.w.Find("Command1"), Qt::LeftButton);
  EXPECT_TRUE(segunda.isNull() || !segunda->isVisible());
}

TEST(RelevoTest, ThePrintedReportRepeatsItsPageHeaderOnEveryPage) {
  constexpr int kEmpleados = 150;
  Programa p([](BaseDePrueba& b) {
    auto t = b.bases.cn.Begin();
    for (int i = kEmpleados; i >= 1; --i)
      b.Empleado(std::int64_t{i}, std::to_string(1000 + i), std::int64_t{9}, "Nombre" + std::to_string(i), "Paterno",
                 "Materno");
    t.Commit();
  });
  p.Reporte();
  const auto paginas = p.Paginas();
  ASSERT_GE(paginas.size(), 2u);
  EXPECT_NE(paginas[0].find("Empresa de prueba"), std::string::npos);
  EXPECT_NE(paginas[0].find("REPORTE DE PERSONAL CON TURNOS INVALIDOS"), std::string::npos);
  std::size_t filas = 0;
  int anterior = 0;
  for (std::size_t n = 0; n < paginas.size(); ++n) {
    const std::string& pagina = paginas[n];
    const auto cabecera = pagina.find("Numero de Empleado");
    ASSERT_NE(cabecera, std::string::npos) << "página " << n + 1;
    EXPECT_NE(pagina.find("Nombre", cabecera), std::string::npos) << "página " << n + 1;
    if (n > 0) {
      EXPECT_EQ(pagina.find("REPORTE DE PERSONAL"), std::string::npos) << "página " << n + 1;
    }
    // Every row below the header, in number order across the pages.
    for (std::size_t pos = pagina.find("\n", cabecera); (pos = pagina.find_first_of("0123456789", pos)) != std::string::npos;) {
      const std::size_t fin = pagina.find_first_not_of("0123456789", pos);
      const std::string numero = pagina.substr(pos, fin - pos);
      pos = fin;
      if (numero.size() != 4) continue;
      const int valor = std::stoi(numero);
      EXPECT_EQ(valor, anterior == 0 ? 1001 : anterior + 1) << "página " << n + 1;
      EXPECT_NE(pagina.find("Nombre" + std::to_string(valor - 1000) + " Paterno Materno", pos), std::string::npos);
      anterior = valor;
      ++filas;
    }
  }
  EXPECT_EQ(filas, static_cast<std::size_t>(kEmpleados));
}

TEST(RelevoTest, WithoutACompanyRowTheHeaderSaysOrvo) {
  Programa p([](BaseDePrueba& b) {
    b.bases.cn.Execute("DELETE FROM Empresarial");
    b.Empleado(std::int64_t{1}, "10", std::int64_t{3});
  });
  p.Reporte();
  ASSERT_NE(p.w.Reporte(), nullptr);
  EXPECT_EQ(p.w.Reporte()->Empresa(), "Orvo");
  const auto paginas = p.Paginas();
  ASSERT_EQ(paginas.size(), 1u);
  EXPECT_NE(paginas[0].find("Orvo"), std::string::npos);
  EXPECT_NE(paginas[0].find("10"), std::string::npos);
  EXPECT_NE(paginas[0].find("Nombre Paterno Materno"), std::string::npos);
}

TEST(RelevoTest, APdfThatCannotBeWrittenIsAnError) {
  Programa p([](BaseDePrueba& b) { b.Empleado(std::int64_t{1}, "10", std::int64_t{3}); });
  p.Reporte();
  ASSERT_NE(p.w.Reporte(), nullptr);
  try {
    p.w.Reporte()->GuardaPdf(QString::fromStdString((p.b.c.Path("no/existe") / "r.pdf").string()));
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number, 75);
  }
}

}  // namespace
}  // namespace orvo::maintenance
