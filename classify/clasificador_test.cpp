#include "classify/clasificador.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/recordset.h"
#include "platform/error.h"
#include "platform/testsupport/temp_drive.h"
#include "schema/nueva_base.h"

namespace orvo::classify {
namespace {

using db::Value;
using Destino = Resultado::Destino;
using Filas = std::vector<std::vector<std::string>>;

constexpr std::int64_t kId = 17;
constexpr std::int64_t kTurno = 5;
const std::vector<std::string> kSemana = {"LUNES",   "MARTES", "MIÉRCOLES", "JUEVES",
                                          "VIERNES", "SÁBADO", "DOMINGO"};

// Dates used below: 2024 02 29 is a Thursday (leap day), 2024 03 01 a Friday,
// 03 02 a Saturday, 03 03 a Sunday, 03 04 a Monday, 03 06 a Wednesday.
class ClasificadorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    schema::CreaBasePrincipal("Prueba");
    bases.Conecta({.recordsets = 8});
    Empleado(kId, Value{kTurno});
  }

  void Empleado(std::int64_t id, Value turno) {
    bases.cn.Execute("INSERT INTO Personal (Id, Nombre, No_Empleado, T_Normal, Activo) VALUES (?,?,?,?,?)",
                     {Value{id}, Value{std::string("Ana")}, Value{std::to_string(id * 10)}, std::move(turno),
                      Value{std::string("S")}});
  }

  void Turno(const std::string& dia, Value he1, Value hs1, Value he2, Value hs2, Value rollDay,
             std::int64_t turno = kTurno) {
    bases.cn.Execute("INSERT INTO Turnos (Id_Turno, Nombre, Dia, HE1, HS1, HE2, HS2, Tol, RollDay) VALUES "
                     "(?,?,?,?,?,?,?,?,?)",
                     {Value{turno}, Value{std::string("Turno")}, Value{dia}, std::move(he1), std::move(hs1),
                      std::move(he2), std::move(hs2), Value{std::string("0")}, std::move(rollDay)});
  }
  void Tolerancias(const std::string& dia, std::vector<std::string> t, std::int64_t turno = kTurno) {
    bases.cn.Execute("INSERT INTO Turnos_Tol (Id_Turno, Dia, TAE1, TDE1, TAS1, TAE2, TDE2, TAS2) VALUES "
                     "(?,?,?,?,?,?,?,?)",
                     {Value{turno}, Value{dia}, Value{t[0]}, Value{t[1]}, Value{t[2]}, Value{t[3]}, Value{t[4]},
                      Value{t[5]}});
  }
  // The worked day shift, 08:00-13:00 and 15:00-19:00, on one day or every day.
  void TurnoDeDia(const std::string& dia) {
    Turno(dia, Value{std::string("08:00")}, Value{std::string("13:00")}, Value{std::string("15:00")},
          Value{std::string("19:00")}, Value{std::string("0")});
    Tolerancias(dia, {"30", "10", "15", "20", "5", "15"});
  }
  // Overnight: 22:00-02:00 and 03:00-07:00, crossing after the first entry.
  void TurnoDeNoche(const std::string& dia) {
    Turno(dia, Value{std::string("22:00")}, Value{std::string("02:00")}, Value{std::string("03:00")},
          Value{std::string("07:00")}, Value{std::string("1")});
    Tolerancias(dia, {"10", "10", "10", "10", "10", "10"});
  }

  Resultado P(std::string_view hora, std::string_view fecha = "2024 03 04", std::string_view id = "17") {
    return Busca_Empleado(bases, id, fecha, hora);
  }

  Filas Lee(const std::string& sql) {
    db::Recordset rs(bases.cn);
    rs.Open(sql);
    Filas filas;
    for (; !rs.Eof(); rs.MoveNext()) {
      std::vector<std::string> fila;
      for (const std::string& nombre : rs.FieldNames()) {
        const Value& v = rs.Field(nombre);
        fila.push_back(db::IsNull(v) ? "NULL" : db::AsText(v));
      }
      filas.push_back(std::move(fila));
    }
    return filas;
  }
  Filas Chequeo() { return Lee("SELECT * FROM Chequeo ORDER BY rowid"); }
  Filas Extra() { return Lee("SELECT * FROM ChequeoExtra ORDER BY rowid"); }
  Filas Flexible() { return Lee("SELECT * FROM ChequeoF ORDER BY rowid"); }
  bool NadaEscrito() { return Chequeo().empty() && Extra().empty() && Flexible().empty(); }

  int Falla(std::string_view hora, std::string_view fecha = "2024 03 04", std::string_view id = "17") {
    try {
      P(hora, fecha, id);
    } catch (const RuntimeError& e) {
      return e.number;
    }
    return 0;
  }

  testing::TempDrive c;
  common::Bases bases;
};

TEST_F(ClasificadorTest, NoEmployeeWritesNothing) {
  TurnoDeDia("LUNES");
  const Resultado r = P("08:05:00", "2024 03 04", "99");
  EXPECT_EQ(r.destino, Destino::Nada);
  EXPECT_NE(r.detalle.find("no existe el empleado 99"), std::string::npos);
  EXPECT_TRUE(NadaEscrito());
}

TEST_F(ClasificadorTest, EnrollNameMustBeAnInteger) {
  TurnoDeDia("LUNES");
  for (const char* id : {"abc", "", "17x", "1.5", "17 or 1=1"}) {
    EXPECT_EQ(Falla("08:05:00", "2024 03 04", id), 13) << id;
  }
  EXPECT_TRUE(NadaEscrito());
  EXPECT_EQ(P("08:05:00", "2024 03 04", "  17 ").destino, Destino::C1);
}

TEST_F(ClasificadorTest, FlexibleShiftFilesEveryPunchInChequeoF) {
  Empleado(20, Value{std::int64_t{0}});
  Empleado(21, Value{});  // Null
  bases.cn.Execute("INSERT INTO Chequeo VALUES('2024 03 04',20,'08:00:00','-','-','-','00:00')");
  EXPECT_EQ(P("08:05:10", " 2024 03 04 ", "20").destino, Destino::Flexible);
  EXPECT_EQ(P("13:00:00", "2024 03 04", "20").destino, Destino::Flexible);
  EXPECT_EQ(P("09:00:00", "2024 03 04", "21").destino, Destino::Flexible);
  EXPECT_EQ(Flexible(), (Filas{{"2024 03 04", "20", "08:05:10"},
                               {"2024 03 04", "20", "13:00:00"},
                               {"2024 03 04", "21", "09:00:00"}}));
  EXPECT_EQ(Chequeo().size(), 1u);
}

TEST_F(ClasificadorTest, ShiftWithoutRowsWritesNothing) {
  EXPECT_EQ(P("08:05:00").destino, Destino::Nada);
  EXPECT_TRUE(NadaEscrito());
}

TEST_F(ClasificadorTest, SameDayShiftFirstAndLaterPunches) {
  TurnoDeDia("DOMINGO");
  TurnoDeDia("LUNES");
  struct Paso {
    const char* hora;
    Destino destino;
  };
  for (const Paso& p : {Paso{"08:31:00", Destino::C1}, Paso{"13:01:00", Destino::C2}, Paso{"15:12:00", Destino::C3},
                        Paso{"19:03:00", Destino::C4}, Paso{"19:10:00", Destino::Extra},
                        Paso{"10:00:00", Destino::Extra}}) {
    EXPECT_EQ(P(p.hora).destino, p.destino) << p.hora;
  }
  EXPECT_EQ(Chequeo(), (Filas{{"2024 03 04", "17", "08:31:00", "13:01:00", "15:12:00", "19:03:00", "00:43"}}));
  EXPECT_EQ(Extra(), (Filas{{"2024 03 04", "17", "19:10:00"}, {"2024 03 04", "17", "10:00:00"}}));
}

TEST_F(ClasificadorTest, FirstPunchThatIsAnExit) {
  TurnoDeDia("LUNES");
  EXPECT_EQ(P("18:50:00").destino, Destino::C4);
  EXPECT_EQ(Chequeo(), (Filas{{"2024 03 04", "17", "-", "-", "-", "18:50:00", "00:00"}}));
}

TEST_F(ClasificadorTest, FechaIsTrimmedForLookupAndEveryRow) {
  TurnoDeDia("LUNES");
  EXPECT_EQ(P("08:05:00", "  2024 03 04 ").destino, Destino::C1);
  EXPECT_EQ(P("13:01:00", "2024 03 04").destino, Destino::C2);
  EXPECT_EQ(P("13:05:00", " 2024 03 04").destino, Destino::Extra);
  EXPECT_EQ(Chequeo(), (Filas{{"2024 03 04", "17", "08:05:00", "13:01:00", "-", "-", "00:00"}}));
  EXPECT_EQ(Extra(), (Filas{{"2024 03 04", "17", "13:05:00"}}));
}

TEST_F(ClasificadorTest, NoShiftTodayFirstPunchIsExtraAndStaysFirst) {
  TurnoDeDia("MARTES");
  EXPECT_EQ(P("08:05:00").destino, Destino::Extra);
  EXPECT_EQ(P("08:06:00").destino, Destino::Extra);
  EXPECT_TRUE(Chequeo().empty());
  EXPECT_EQ(Extra().size(), 2u);
}

TEST_F(ClasificadorTest, LaterPunchOnADayWithoutShiftIsExtra) {
  TurnoDeDia("MARTES");
  bases.cn.Execute("INSERT INTO Chequeo VALUES('2024 03 04',17,'08:00:00','-','-','-','00:00')");
  EXPECT_EQ(P("13:01:00").destino, Destino::Extra);
  EXPECT_EQ(Extra(), (Filas{{"2024 03 04", "17", "13:01:00"}}));
}

TEST_F(ClasificadorTest, MissingToleranceRowCountsZeroForFirstAndLaterPunches) {
  Turno("LUNES", Value{std::string("08:00")}, Value{std::string("13:00")}, Value{std::string("15:00")},
        Value{std::string("19:00")}, Value{std::string("0")});
  EXPECT_EQ(P("08:01:00").detalle, "ENTRADA 1 TARDE, retardo 00:01");
  EXPECT_EQ(P("13:00:00").destino, Destino::C2);   // the exit window starts at 13:00 sharp
  EXPECT_EQ(P("14:59:59").destino, Destino::Extra);  // still the exit window, already punched
  EXPECT_EQ(P("15:00:30").destino, Destino::C3);
  EXPECT_EQ(Chequeo(), (Filas{{"2024 03 04", "17", "08:01:00", "13:00:00", "15:00:30", "-", "00:01"}}));
}

TEST_F(ClasificadorTest, ExistingYesterdayRecordIsCompletedAfterAnOvernightShift) {
  // Friday's shift crosses midnight; Saturday is a day shift; Thursday has none.
  TurnoDeNoche("VIERNES");
  Turno("SÁBADO", Value{std::string("09:00")}, Value{std::string("13:00")}, Value{std::string("15:00")},
        Value{std::string("19:00")}, Value{std::string("0")});
  Tolerancias("SÁBADO", {"10", "10", "10", "10", "10", "10"});

  EXPECT_EQ(P("21:55:00", "2024 03 01").destino, Destino::C1);
  struct Paso {
    const char* hora;
    Destino destino;
  };
  for (const Paso& p : {Paso{"02:05:30", Destino::C2Ayer}, Paso{"03:30:00", Destino::C3Ayer},
                        Paso{"06:55:00", Destino::C4Ayer}, Paso{"06:58:00", Destino::Extra},
                        Paso{"01:00:00", Destino::Extra}, Paso{"08:55:00", Destino::C1}}) {
    EXPECT_EQ(P(p.hora, "2024 03 02").destino, p.destino) << p.hora;
  }
  EXPECT_EQ(Chequeo(), (Filas{{"2024 03 01", "17", "21:55:00", "02:05:30", "03:30:00", "06:55:00", "00:30"},
                              {"2024 03 02", "17", "08:55:00", "-", "-", "-", "00:00"}}));
  // Punches that fit no free slot are dated with their own day.
  EXPECT_EQ(Extra(), (Filas{{"2024 03 02", "17", "06:58:00"}, {"2024 03 02", "17", "01:00:00"}}));
}

TEST_F(ClasificadorTest, PlaceholderForYesterdayOnALeapDay) {
  TurnoDeNoche("JUEVES");  // the leap day 2024 02 29 is a Thursday
  EXPECT_EQ(P("02:05:30", "2024 03 01").detalle, "SALIDA 1 AYER (2024 02 29)");
  EXPECT_EQ(Chequeo(), (Filas{{"2024 02 29", "17", "-", "02:05:30", "-", "-", "00:00"}}));
  // No Friday shift: block 9, yesterday's second exit runs to the end of the day.
  EXPECT_EQ(P("23:00:00", "2024 03 01").destino, Destino::C4Ayer);
  EXPECT_EQ(Chequeo(), (Filas{{"2024 02 29", "17", "-", "02:05:30", "-", "23:00:00", "00:00"}}));
}

TEST_F(ClasificadorTest, MondayLooksBackToSunday) {
  TurnoDeNoche("DOMINGO");
  TurnoDeDia("LUNES");
  EXPECT_EQ(P("02:50:00").destino, Destino::C3Ayer);
  EXPECT_EQ(Chequeo(), (Filas{{"2024 03 03", "17", "-", "-", "02:50:00", "-", "00:00"}}));
}

TEST_F(ClasificadorTest, MiercolesAndSabadoNamesFindTheirRows) {
  TurnoDeNoche("MIÉRCOLES");  // Wednesday 2024 03 06
  TurnoDeDia("JUEVES");
  EXPECT_EQ(P("21:00:00", "2024 03 06").destino, Destino::Extra);  // before Wednesday's entry window
  EXPECT_EQ(P("22:05:00", "2024 03 06").destino, Destino::C1);
  EXPECT_EQ(P("02:01:00", "2024 03 07").destino, Destino::C2Ayer);

  // Sunday after a Saturday that crosses midnight after its second entry.
  Empleado(30, Value{std::int64_t{6}});
  Turno("SÁBADO", Value{std::string("14:00")}, Value{std::string("18:00")}, Value{std::string("19:00")},
        Value{std::string("06:00")}, Value{std::string("2")}, 6);
  Tolerancias("SÁBADO", {"10", "10", "10", "10", "10", "30"}, 6);
  const Resultado r = P("07:00:10", "2024 03 03", "30");
  EXPECT_EQ(r.destino, Destino::C4Ayer);
  EXPECT_EQ(Lee("SELECT * FROM Chequeo WHERE Id_Emp = 30"),
            (Filas{{"2024 03 02", "30", "-", "-", "-", "07:00:10", "00:00"}}));
}

TEST_F(ClasificadorTest, SecondRollOverWorkedExample) {
  Turno("DOMINGO", Value{std::string("14:00")}, Value{std::string("18:00")}, Value{std::string("19:00")},
        Value{std::string("06:00")}, Value{std::string("2")});
  Tolerancias("DOMINGO", {"10", "10", "10", "10", "10", "30"});
  Turno("LUNES", Value{std::string("08:00")}, Value{std::string("14:00")}, Value{std::string("00:00")},
        Value{std::string("00:00")}, Value{std::string("0")});
  Tolerancias("LUNES", {"15", "10", "0", "0", "0", "0"});
  EXPECT_EQ(P("05:29:59").destino, Destino::Extra);
  EXPECT_EQ(P("07:00:10").destino, Destino::C4Ayer);
  EXPECT_EQ(P("07:10:00").destino, Destino::Extra);  // yesterday's second exit already punched
  EXPECT_EQ(P("08:11:00").detalle, "ENTRADA 1 TARDE, retardo 00:11");
  EXPECT_EQ(Chequeo(), (Filas{{"2024 03 03", "17", "-", "-", "-", "07:00:10", "00:00"},
                              {"2024 03 04", "17", "08:11:00", "-", "-", "-", "00:11"}}));
  EXPECT_EQ(Extra(), (Filas{{"2024 03 04", "17", "05:29:59"}, {"2024 03 04", "17", "07:10:00"}}));
}

TEST_F(ClasificadorTest, YesterdaysRollOverCodeDecides) {
  TurnoDeDia("LUNES");
  Turno("DOMINGO", Value{std::string("08:00")}, Value{std::string("13:00")}, Value{std::string("15:00")},
        Value{std::string("19:00")}, Value{std::string("3")});
  EXPECT_EQ(P("08:05:00").destino, Destino::Nada);
  bases.cn.Execute("UPDATE Turnos SET RollDay = NULL WHERE Dia = 'DOMINGO'");
  EXPECT_EQ(P("08:05:00").destino, Destino::Nada);
  EXPECT_TRUE(NadaEscrito());
  bases.cn.Execute("UPDATE Turnos SET RollDay = '' WHERE Dia = 'DOMINGO'");
  EXPECT_EQ(Falla("08:05:00"), 13);
  bases.cn.Execute("UPDATE Turnos SET RollDay = '0' WHERE Dia = 'DOMINGO'");
  EXPECT_EQ(P("08:05:00").destino, Destino::C1);
}

TEST_F(ClasificadorTest, ErrorsRollBackEverythingTheInvocationWrote) {
  TurnoDeNoche("DOMINGO");
  TurnoDeDia("LUNES");
  // The placeholder for yesterday goes in, then the update fails on a time too
  // long for its column: neither may stay.
  EXPECT_EQ(Falla("02:05:30.1234567"), 3163);
  EXPECT_TRUE(NadaEscrito());

  bases.cn.Execute("UPDATE Turnos SET HE1 = '8:05' WHERE Dia = 'LUNES'");
  EXPECT_EQ(Falla("08:05:00"), 13);
  bases.cn.Execute("UPDATE Turnos SET HE1 = NULL WHERE Dia = 'LUNES'");
  EXPECT_EQ(Falla("08:05:00"), 94);
  EXPECT_TRUE(NadaEscrito());
}

TEST_F(ClasificadorTest, YesterdayWithoutToleranceRowFails) {
  Turno("DOMINGO", Value{std::string("22:00")}, Value{std::string("02:00")}, Value{std::string("03:00")},
        Value{std::string("07:00")}, Value{std::string("1")});
  TurnoDeDia("LUNES");
  EXPECT_EQ(Falla("02:05:00"), 3021);
  EXPECT_TRUE(NadaEscrito());
}

TEST_F(ClasificadorTest, NestsInTheCallersTransaction) {
  TurnoDeDia("LUNES");
  {
    auto exterior = bases.cn.Begin();
    EXPECT_EQ(P("08:05:00").destino, Destino::C1);
    bases.cn.Execute("UPDATE Turnos SET HS1 = 'x' WHERE Dia = 'LUNES'");
    EXPECT_EQ(Falla("08:06:00", "2024 03 05"), 0);  // Tuesday: no shift, an extra punch
    EXPECT_EQ(Falla("13:01:00"), 13);               // fails alone; the first punch stays
    EXPECT_EQ(Chequeo().size(), 1u);
    exterior.Commit();
  }
  EXPECT_EQ(Chequeo(), (Filas{{"2024 03 04", "17", "08:05:00", "-", "-", "-", "00:00"}}));
  EXPECT_EQ(Extra(), (Filas{{"2024 03 05", "17", "08:06:00"}}));
}

TEST_F(ClasificadorTest, DateThatIsNoDayHasNoWeekday) {
  TurnoDeDia("LUNES");
  EXPECT_EQ(P("08:05:00", "2024 02 30").destino, Destino::Extra);
  bases.cn.Execute("INSERT INTO Chequeo VALUES('2024 02 30',17,'08:00:00','-','-','-','00:00')");
  EXPECT_EQ(P("13:01:00", "2024 02 30").destino, Destino::Nada);
  EXPECT_EQ(Extra(), (Filas{{"2024 02 30", "17", "08:05:00"}}));
}

}  // namespace
}  // namespace orvo::classify
