#include "platform/db/connection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/db/session.h"
#include "platform/testsupport/error_of.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::db {
namespace {
namespace fs = std::filesystem;
using orvo::testing::ErrorOf;
using orvo::testing::TempDrive;
using orvo::testing::WriteFile;

constexpr const char* kMain = "C:\\Quiravel\\Quiravel.mdb";
constexpr const char* kConnect =
    "Driver={Microsoft Access Driver (*.mdb)};DBQ=C:\\Quiravel\\Quiravel.mdb;Pwd=LUMAK";

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(c.Path("Quiravel"));
    auto db = Database::Create(kMain, ";LANGID=0x0409;CP=1252;COUNTRY=0", "LUMAK");
    db.Append({"Checadas", {{"Fecha", Type::Text, 10, true}, {"Empleado", Type::Long, 0, false, std::int64_t{0}},
                            {"Hora", Type::Text, 10, true}}});
  }
  TempDrive c;
};

TEST(ConnectionStringTest, ReadsFileAndPasswordIgnoringKeyCase) {
  auto cs = ConnectionString::Parse(kConnect);
  EXPECT_EQ(cs.file, "C:\\Quiravel\\Quiravel.mdb");
  EXPECT_EQ(cs.password, "LUMAK");
  EXPECT_EQ(ConnectionString::Parse(";pwd=LUMAK").password, "LUMAK");
  EXPECT_EQ(ConnectionString::Parse("dbq=C:\\a.mdb").password, "");
}

TEST(ConnectionStringTest, BracesAroundAValueAreNotPartOfIt) {
  struct Case { const char* text; const char* file; const char* password; } cases[] = {
      {"DBQ={C:\\Quiravel\\Quiravel.mdb};Pwd={LUMAK}", "C:\\Quiravel\\Quiravel.mdb", "LUMAK"},
      {"Driver={Microsoft Access Driver (*.mdb)}; DBQ = {C:\\Mis datos;2010\\a.mdb} ;PWD={a}}b;c}", "C:\\Mis datos;2010\\a.mdb", "a}b;c"},
      {"Pwd={};DBQ=C:\\x.mdb", "C:\\x.mdb", ""},
      {"DBQ={C:\\sin cierre.mdb", "C:\\sin cierre.mdb", ""},
  };
  for (const Case& k : cases) {
    auto cs = ConnectionString::Parse(k.text);
    EXPECT_EQ(cs.file, k.file) << k.text;
    EXPECT_EQ(cs.password, k.password) << k.text;
  }
}

TEST_F(ConnectionTest, OpensWithTheRightPasswordOnly) {
  Connection cn;
  cn.Open(kConnect);
  EXPECT_TRUE(cn.IsOpen());
  cn.Close();

  struct Case { const char* text; int number; } bad[] = {
      {"DBQ=C:\\Quiravel\\Quiravel.mdb;Pwd=lumak", errc::kBadPassword},
      {"DBQ=C:\\Quiravel\\Quiravel.mdb", errc::kBadPassword},
      {"DBQ=C:\\Quiravel\\Otra.mdb;Pwd=LUMAK", errc::kFileNotFound},
  };
  for (const Case& k : bad) {
    try {
      cn.Open(k.text);
      ADD_FAILURE() << k.text;
    } catch (const Error& e) {
      EXPECT_EQ(e.number, k.number) << k.text << ": " << e.what();
    }
    EXPECT_FALSE(cn.IsOpen());
  }
  EXPECT_FALSE(fs::exists(c.Path("Quiravel/Otra.mdb"))) << "a missing file must never be created";
}

TEST_F(ConnectionTest, RefusesFilesThatAreNoDatabase) {
  WriteFile(c.Path("Quiravel/Texto.mdb"), "esto no es una base de datos, solo texto de relleno.............."
                                          "................................................................");
  WriteFile(c.Path("Quiravel/Vacio.mdb"), "");
  for (const char* file : {"C:\\Quiravel\\Texto.mdb", "C:\\Quiravel\\Vacio.mdb"}) {
    Connection cn;
    try {
      cn.OpenFile(file, "LUMAK");
      ADD_FAILURE() << file;
    } catch (const Error& e) {
      EXPECT_EQ(e.number, errc::kUnrecognizedFormat) << file;
    }
  }
}

TEST_F(ConnectionTest, CreateRefusesAnExistingFileAndLeavesItUntouched) {
  auto before = orvo::testing::ReadFile(c.Path("Quiravel/Quiravel.mdb"));
  try {
    Database::Create(kMain, "");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.number, errc::kDatabaseExists);
  }
  EXPECT_EQ(orvo::testing::ReadFile(c.Path("Quiravel/Quiravel.mdb")), before);
}

TEST_F(ConnectionTest, OneStatementPerCallAndValuesAreBound) {
  Connection cn;
  cn.Open(kConnect);
  try {
    cn.Execute("DELETE FROM Checadas; DROP TABLE Checadas");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.number, errc::kTrailingText);
  }
  EXPECT_EQ(cn.TableNames(), std::vector<std::string>{"Checadas"});
  cn.Execute("INSERT INTO Checadas VALUES(?,?,?);", {{"a');--"}, {std::int64_t{5}}, {"x'; DROP"}});
  Recordset rs(cn);
  rs.Open("SELECT Fecha, Hora FROM Checadas");
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsText(rs.Field("fecha")), "a');--");
  EXPECT_EQ(AsText(rs.Field("HORA")), "x'; DROP");
}

TEST_F(ConnectionTest, TheStatementEndsWhereItsTextEnds) {
  Connection cn;
  cn.Open(kConnect);
  // The text after the view is not the statement's: nothing after it may be read.
  const std::string buffer = "DELETE FROM Checadas; DROP TABLE Checadas";
  EXPECT_EQ(cn.Execute(std::string_view(buffer).substr(0, buffer.find(';'))), 0);
  EXPECT_EQ(cn.TableNames(), std::vector<std::string>{"Checadas"});
  // A text that fills its allocation exactly, with no NUL after it (a read past
  // its end shows under AddressSanitizer).
  const std::string_view statement = "SELECT count(*) FROM Checadas  ";
  auto exact = std::make_unique<char[]>(statement.size());
  std::copy(statement.begin(), statement.end(), exact.get());
  EXPECT_EQ(cn.Execute(std::string_view(exact.get(), statement.size())), 0);
  // A NUL does not end the text: what follows it is still refused.
  const std::string hidden("DELETE FROM Checadas\0; DROP TABLE Checadas", 43);
  auto e = ErrorOf([&] { cn.Execute(hidden); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number, errc::kTrailingText);
  EXPECT_EQ(cn.TableNames(), std::vector<std::string>{"Checadas"});
}

TEST_F(ConnectionTest, TextWithANulIsRefusedAndNothingIsStored) {
  Connection cn;
  cn.Open(kConnect);
  // SQLite's length() stops at the NUL: the size check would see "0123".
  const std::string withNul("0123\0" "56789012345", 16);
  auto e = ErrorOf([&] { cn.Execute("INSERT INTO Checadas VALUES(?, 1, '08:00:00')", {Value(withNul)}); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number, errc::kTypeMismatch);
  Recordset rs(cn);
  rs.Open("SELECT count(*) AS n FROM Checadas");
  EXPECT_EQ(AsInteger(rs.Field("n")), 0);
}

TEST_F(ConnectionTest, TextThatIsNotWellFormedUtf8IsRefusedAndNothingIsStored) {
  Connection cn;
  cn.Open(kConnect);
  // length() counts "\xC0" and every continuation byte after it as one
  // character: this would pass the Text(10) check.
  const std::string longRun = "\xC0" + std::string(100000, '\x80');
  for (const std::string& bad : {longRun, std::string("\xE0\x81\x81"), std::string("ab\xED\xA0\x80"), std::string("\xFF")}) {
    auto e = ErrorOf([&] { cn.Execute("INSERT INTO Checadas VALUES(?, 1, '08:00:00')", {Value(bad)}); });
    ASSERT_TRUE(e) << bad.substr(0, 8);
    EXPECT_EQ(e->number, errc::kTypeMismatch);
  }
  Recordset rs(cn);
  rs.Open("SELECT count(*) AS n FROM Checadas");
  EXPECT_EQ(AsInteger(rs.Field("n")), 0);
  cn.Execute("INSERT INTO Checadas VALUES(?, 1, '08:00:00')", {Value(std::string("Ñandú \xF0\x9F\x98\x80"))});
}

// Values SQLite would not keep as given: each is refused in the engine's words
// and nothing is stored, or kept as it is (an empty blob is no Null). The
// length limit is lowered on this connection so that the refusal of an
// oversize value needs no gigabyte.
TEST_F(ConnectionTest, ValuesThatDoNotFitAreRefusedAndAnEmptyBlobIsNoNull) {
  Database::Open(kMain, ";pwd=LUMAK")
      .Append({"Valores", {{"L", Type::Long}, {"I", Type::Integer}, {"M", Type::Memo, 0, true}, {"B", Type::LongBinary}}});
  Connection cn;
  cn.Open(kConnect);
  sqlite3_limit(detail::SessionOf(cn).db(), SQLITE_LIMIT_LENGTH, 1000);
  const double nan = std::nan("");
  struct Case { const char* sql; Value value; int number; const char* words; } cases[] = {
      {"INSERT INTO Valores (M) VALUES (?)", std::string(1001, 'x'), errc::kEngine, "no puede pasar de 1000 bytes"},
      {"INSERT INTO Valores (B) VALUES (?)", Blob{std::vector<std::uint8_t>(1001, 7)}, errc::kEngine,
       "no puede pasar de 1000 bytes"},
      {"INSERT INTO Valores (L) VALUES (?)", nan, errc::kTypeMismatch, "(NaN)"},
      {"INSERT INTO Valores (I) VALUES (?)", nan, errc::kTypeMismatch, "(NaN)"},
  };
  for (const Case& k : cases) {
    auto e = ErrorOf([&] { cn.Execute(k.sql, {k.value}); });
    ASSERT_TRUE(e) << k.sql;
    EXPECT_EQ(e->number, k.number) << k.sql;
    EXPECT_NE(std::string(e->what()).find(k.words), std::string::npos) << e->what();
    if (k.number == errc::kEngine) {
      EXPECT_NE(std::string(e->what()).find(kMain), std::string::npos) << e->what();
    }
  }
  cn.Execute("INSERT INTO Valores (L, M, B) VALUES (1, ?, ?)", {Value(std::string(900, 'x')), Value(Blob{})});
  Recordset rs(cn);
  rs.Open("SELECT count(*) AS n, typeof(B) AS t, length(B) AS largo, B FROM Valores");
  EXPECT_EQ(AsInteger(rs.Field("n")), 1);
  EXPECT_EQ(AsText(rs.Field("t")), "blob");
  EXPECT_EQ(AsInteger(rs.Field("largo")), 0);
  EXPECT_EQ(rs.Field("B"), Value(Blob{}));
}

// SQLite's verdicts on a statement's text read in the engine's words.
TEST_F(ConnectionTest, WhatSQLiteFindsWrongInAStatementReadsInSpanish) {
  Connection cn;
  cn.Open(kConnect);
  struct Case { const char* sql; const char* words; } cases[] = {
      {"SELECT Fecha FROM Checadas ORDER BY 2", "el término 1 de ORDER BY está fuera del intervalo: debe estar entre 1 y 1"},
      {"SELECT Fecha FROM Checadas GROUP BY 3", "el término 1 de GROUP BY está fuera del intervalo"},
      {"SELECT Apellido FROM Checadas", "no existe la columna 'Apellido'"},
      {"SELEC Fecha FROM Checadas", "error de sintaxis cerca de 'SELEC'"},
      {"SELECT Fecha FROM Checadas WHERE", "la instrucción está incompleta"},
      {"SELECT nada(Fecha) FROM Checadas", "no existe la función 'nada'"},
      {"INSERT INTO Checadas (Apellido) VALUES (1)", "la tabla 'Checadas' no tiene la columna 'Apellido'"},
  };
  for (const Case& k : cases) {
    auto e = ErrorOf([&] { cn.Execute(k.sql); });
    ASSERT_TRUE(e) << k.sql;
    EXPECT_EQ(e->number, errc::kSyntax) << k.sql;
    const std::string text = e->what();
    EXPECT_NE(text.find(k.words), std::string::npos) << text;
    for (const char* english : {"out of range", "no such", "syntax error", "near ", "incomplete", "has no column"})
      EXPECT_EQ(text.find(english), std::string::npos) << text;
  }
}

TEST_F(ConnectionTest, ConstraintsOfTablesMadeElsewhereFailInTheEnginesWords) {
  Connection cn;
  cn.Open(kConnect);
  cn.Execute("CREATE TABLE Ajena (n INTEGER NOT NULL, t TEXT CHECK (t <> 'x'), d DATE CONSTRAINT fecha_real CHECK (d IS date(d)))");
  cn.Execute("CREATE TABLE Clave (k INTEGER PRIMARY KEY)");
  cn.Execute("CREATE TABLE Estricta (n INTEGER) STRICT");
  cn.Close();
  Database::Open(kMain, ";pwd=LUMAK").Append({"Fechas", {{"Dia", Type::Date}}});
  cn.Open(kConnect);
  struct Case { const char* sql; int number; const char* names; } cases[] = {
      {"INSERT INTO Ajena (t) VALUES ('a')", errc::kRequired, "'Ajena.n'"},
      {"INSERT INTO Ajena VALUES (1, 'x', NULL)", errc::kValidationRule, "t <> 'x'"},
      {"INSERT INTO Ajena VALUES (1, 'a', '31/12/2010')", errc::kValidationRule, "fecha_real"},
      // SQLite refuses a rule that reads the clock, in the engine's Date columns too.
      {"INSERT INTO Ajena VALUES (1, 'a', 'now')", errc::kTypeMismatch, "'now'"},
      {"INSERT INTO Fechas VALUES ('now')", errc::kTypeMismatch, "'now'"},
      {"INSERT INTO Clave VALUES ('abc')", errc::kTypeMismatch, "No coinciden los tipos de datos"},
      {"INSERT INTO Estricta VALUES ('abc')", errc::kTypeMismatch, "'Estricta.n'"},
  };
  for (const Case& k : cases) {
    auto e = ErrorOf([&] { cn.Execute(k.sql); });
    ASSERT_TRUE(e) << k.sql;
    EXPECT_EQ(e->number, k.number) << k.sql;
    const std::string text = e->what();
    EXPECT_NE(text.find(k.names), std::string::npos) << text;
    for (const char* english : {"constraint", "failed", "mismatch", "cannot store", "non-deterministic"})
      EXPECT_EQ(text.find(english), std::string::npos) << text;
  }
}

TEST_F(ConnectionTest, ADuplicateInAUniqueIndexIsTheEnginesOwnError) {
  Connection cn;
  cn.Open(kConnect);
  cn.Execute("CREATE UNIQUE INDEX ix_unico ON Checadas(Empleado)");
  cn.Execute("INSERT INTO Checadas VALUES('2010 05 03', 7, '08:00:00')");
  auto e = ErrorOf([&] { cn.Execute("INSERT INTO Checadas VALUES('2010 05 04', 7, '09:00:00')"); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number, errc::kDuplicateValue);
  const std::string text = e->what();
  EXPECT_NE(text.find("valores duplicados"), std::string::npos) << text;
  EXPECT_EQ(text.find("UNIQUE constraint"), std::string::npos) << text;
}

TEST_F(ConnectionTest, TheFileRunsWithAWriteAheadLogThatTheLastCloseRemoves) {
  {
    Connection cn;
    cn.Open(kConnect);
    Recordset rs(cn);
    rs.Open("PRAGMA journal_mode");
    EXPECT_EQ(AsText(rs.Field("journal_mode")), "wal");
    cn.Execute("INSERT INTO Checadas VALUES('2010 05 03', 1, '08:00:00')");
    EXPECT_TRUE(fs::exists(c.Path("Quiravel/Quiravel.mdb-wal")));
  }
  EXPECT_FALSE(fs::exists(c.Path("Quiravel/Quiravel.mdb-wal")));
  EXPECT_FALSE(fs::exists(c.Path("Quiravel/Quiravel.mdb-shm")));
}

TEST_F(ConnectionTest, PathsOutsideDriveCAreRefused) {
  Connection cn;
  for (const char* text : {"DBQ=C:\\..\\..\\etc\\passwd", "DBQ=D:\\Quiravel\\Quiravel.mdb;Pwd=LUMAK"}) {
    auto e = ErrorOf([&] { cn.Open(text); });
    ASSERT_TRUE(e) << text;
    EXPECT_EQ(e->number, 76) << text;
  }
}

TEST_F(ConnectionTest, TransactionsRollBackUnlessCommitted) {
  Connection cn;
  cn.Open(kConnect);
  {
    auto t = cn.Begin();
    cn.Execute("INSERT INTO Checadas VALUES('2010 05 03',1,'08:00:00')");
  }
  {
    auto t = cn.Begin();
    cn.Execute("INSERT INTO Checadas VALUES('2010 05 03',2,'08:00:00')");
    {
      auto inner = cn.Begin();
      cn.Execute("INSERT INTO Checadas VALUES('2010 05 03',3,'08:00:00')");
    }
    t.Commit();
  }
  Recordset rs(cn);
  rs.Open("SELECT Empleado FROM Checadas");
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsInteger(rs.Field("Empleado")), 2);
}

TEST_F(ConnectionTest, AnotherWritersLockStopsABeginAtItsStartAndAStatementWithALockError) {
  Connection holder, other;
  holder.Open(kConnect);
  other.Open(kConnect);
  sqlite3_busy_timeout(detail::SessionOf(other).db(), 50);
  {
    auto t = holder.Begin();
    holder.Execute("INSERT INTO Checadas VALUES('2010 05 03',1,'08:00:00')");
    // The second writer fails at Begin, before it has read or written anything.
    EXPECT_THROW(other.Begin(), Error);
    auto e = ErrorOf([&] { other.Execute("INSERT INTO Checadas VALUES('2010 05 03',2,'08:00:00')"); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number, errc::kLocked);
    t.Commit();
  }
  auto u = other.Begin();
  other.Execute("INSERT INTO Checadas VALUES('2010 05 03',2,'08:00:00')");
  u.Commit();
}

}  // namespace
}  // namespace orvo::db
