#include "platform/db/database.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "platform/db/recordset.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::db {
namespace {
namespace fs = std::filesystem;
using orvo::testing::TempDrive;

constexpr const char* kFile = "C:\\Quiravel\\Quiravel.mdb";

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(c.Path("Quiravel"));
    auto db = Database::Create(kFile, "", "LUMAK");
    db.Append({"Tipos",
               {{"Texto", Type::Text, 11, false},
                {"TextoVacio", Type::Text, 11, true},
                {"Largo", Type::Long},
                {"Entero", Type::Integer},
                {"Nota", Type::Memo, 0, true},
                {"Foto", Type::LongBinary},
                {"Dia", Type::Date}}});
  }
  Database Open() { return Database::Open(kFile, ";pwd=LUMAK"); }
  int InsertError(const std::string& column, const Value& v) {
    auto db = Open();
    try {
      db.Execute("INSERT INTO Tipos (" + column + ") VALUES (?)", std::vector<Value>{v});
      return 0;
    } catch (const Error& e) {
      return e.number;
    }
  }
  TempDrive c;
};

TEST_F(DatabaseTest, ColumnsKeepTheirTypesLimits) {
  struct Case { const char* column; Value value; int error; } cases[] = {
      {"Texto", std::string("12345678901"), 0},
      {"Texto", std::string("123456789012"), errc::kFieldTooSmall},
      {"Texto", std::string("ñandú"), 0},
      {"Texto", std::string(""), errc::kZeroLength},
      {"TextoVacio", std::string(""), 0},
      {"Nota", std::string(""), 0},
      {"Largo", std::int64_t{2147483647}, 0},
      {"Largo", std::int64_t{-2147483648LL}, 0},
      {"Largo", std::int64_t{2147483648LL}, errc::kOverflow},
      {"Largo", std::string("abc"), errc::kTypeMismatch},
      {"Largo", std::string("125"), 0},
      {"Largo", 1.5, errc::kTypeMismatch},
      {"Entero", std::int64_t{32767}, 0},
      {"Entero", std::int64_t{32768}, errc::kOverflow},
      {"Dia", std::string("2010-05-03 00:00:00"), 0},
      {"Dia", std::string("ayer"), errc::kTypeMismatch},
      {"Dia", std::string("2010-05-03"), 0},
      {"Dia", std::string("2012-02-29 23:59:59"), 0},
      {"Dia", std::string("2010-13-45"), errc::kTypeMismatch},
      {"Dia", std::string("2011-02-29"), errc::kTypeMismatch},
      {"Dia", std::string("2010-04-31"), errc::kTypeMismatch},
      {"Dia", std::string("2010-05-03garbage"), errc::kTypeMismatch},
      {"Dia", std::string("2010-05-03 24:00:00"), errc::kTypeMismatch},
      {"Dia", std::string("2010-05-03 08:60:00"), errc::kTypeMismatch},
      {"Dia", std::string("2010-5-3"), errc::kTypeMismatch},
      {"Dia", std::string("2010-05-03T08:00:00"), errc::kTypeMismatch},
      {"Dia", std::int64_t{20100503}, errc::kTypeMismatch},
      {"Foto", Blob{{0, 1, 2}}, 0},
  };
  for (const Case& k : cases) EXPECT_EQ(InsertError(k.column, k.value), k.error) << k.column << " " << AsText(k.value);
}

// The Date column takes exactly the calendar's days and the clock's times.
TEST_F(DatabaseTest, DateColumnsTakeWhatTheCalendarHasAndNothingElse) {
  auto db = Open();
  auto tx = db.Rows().Begin();
  auto accepted = [&](const std::string& text) {
    try {
      db.Execute("INSERT INTO Tipos (Dia) VALUES (?)", std::vector<Value>{text});
      return true;
    } catch (const Error& e) {
      EXPECT_EQ(e.number, errc::kTypeMismatch) << text;
      return false;
    }
  };
  char text[32];
  for (int y : {1900, 2000, 2011, 2012}) {
    for (unsigned m = 0; m <= 13; ++m) {
      for (unsigned d = 0; d <= 32; ++d) {
        std::snprintf(text, sizeof text, "%04d-%02u-%02u", y, m, d);
        const bool real = std::chrono::year_month_day(std::chrono::year(y), std::chrono::month(m), std::chrono::day(d)).ok();
        EXPECT_EQ(accepted(text), real) << text;
      }
    }
  }
  for (int h = 0; h <= 25; h += 1) {
    for (int mi : {0, 59, 60}) {
      std::snprintf(text, sizeof text, "2012-02-29 %02d:%02d:%02d", h, mi, mi);
      const bool real = h < 24 && mi < 60;
      EXPECT_EQ(accepted(text), real) << text;
    }
  }
  tx.Commit();
}

TEST_F(DatabaseTest, MemoKeepsDigitsAsTextAndTextMatchesIgnoringCase) {
  auto db = Open();
  db.Execute("INSERT INTO Tipos (Texto, Nota) VALUES ('n', '0012')");
  Recordset rs(db.Rows());
  rs.Open("SELECT Nota FROM TIPOS WHERE texto = 'N'");
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.Field("Nota"), Value(std::string("0012")));
}

TEST_F(DatabaseTest, LookupsIgnoreCaseAndGiveStoredNames) {
  auto db = Open();
  auto t = db.FindTable("TIPOS");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->name, "Tipos");
  ASSERT_TRUE(t->FindField("textovacio"));
  EXPECT_EQ(t->FindField("textovacio")->name, "TextoVacio");
  EXPECT_FALSE(db.FindTable("Otra"));
  EXPECT_EQ(db.TableNames(), std::vector<std::string>{"Tipos"}) << "the engine's own tables stay hidden";
}

TEST_F(DatabaseTest, TableAndColumnNamesMatchIgnoringCaseOfEveryLetter) {
  auto db = Open();
  db.Append({"Señales", {{"Contraseña", Type::Text, 10, true}}});
  auto t = db.FindTable("SEÑALES");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->name, "Señales");
  ASSERT_TRUE(t->FindField("CONTRASEÑA"));
  db.SetFieldProperties("señales", "CONTRASEÑA", false, std::nullopt);
  EXPECT_FALSE(db.FindTable("Señales")->fields[0].allowZeroLength);
  EXPECT_THROW(db.AppendField("SEÑALES", {"contraseña", Type::Long}), Error);
}

TEST_F(DatabaseTest, DefinitionsReadBackAsWritten) {
  auto db = Open();
  db.Append({"Conf", {{"aplica", Type::Text, 2, true, std::string("NO")}, {"n", Type::Long, 0, false, std::int64_t{1}}}});
  auto t = db.FindTable("Conf");
  ASSERT_TRUE(t);
  ASSERT_EQ(t->fields.size(), 2u);
  EXPECT_EQ(t->fields[0].type, Type::Text);
  EXPECT_EQ(t->fields[0].size, 2);
  EXPECT_TRUE(t->fields[0].allowZeroLength);
  EXPECT_EQ(t->fields[0].defaultValue, Value(std::string("NO")));
  EXPECT_EQ(t->fields[1].type, Type::Long);
  EXPECT_EQ(t->fields[1].defaultValue, Value(std::int64_t{1}));
  auto tipos = db.FindTable("Tipos");
  std::vector<Type> types;
  for (const Field& f : tipos->fields) types.push_back(f.type);
  EXPECT_EQ(types, (std::vector<Type>{Type::Text, Type::Text, Type::Long, Type::Integer, Type::Memo, Type::LongBinary,
                                      Type::Date}));
  EXPECT_FALSE(tipos->fields[0].allowZeroLength);
  EXPECT_THROW(db.Append({"tipos", {{"x", Type::Long}}}), Error);
  EXPECT_THROW(db.Append({"Doble", {{"x", Type::Long}, {"X", Type::Long}}}), Error);
}

TEST_F(DatabaseTest, AppendedColumnGoesLastAndOldRowsStayNull) {
  auto db = Open();
  db.Execute("INSERT INTO Tipos (Texto) VALUES ('viejo')");
  db.AppendField("tipos", {"Activo", Type::Text, 1, true, std::string("S")});
  EXPECT_THROW(db.AppendField("Tipos", {"ACTIVO", Type::Long}), Error);
  EXPECT_THROW(db.AppendField("NoHay", {"x", Type::Long}), Error);
  db.Execute("INSERT INTO Tipos (Texto) VALUES ('nuevo')");
  auto t = db.FindTable("Tipos");
  EXPECT_EQ(t->fields.back().name, "Activo");
  Recordset rs(db.Rows());
  rs.Open("SELECT Activo FROM Tipos ORDER BY rowid");
  ASSERT_EQ(rs.RecordCount(), 2);
  EXPECT_TRUE(IsNull(rs.Field("Activo")));
  rs.MoveNext();
  EXPECT_EQ(AsText(rs.Field("Activo")), "S");
}

TEST_F(DatabaseTest, ChangingAColumnKeepsEveryRowRowidAndIndex) {
  auto db = Open();
  for (int i = 0; i < 50; ++i) db.Execute("INSERT INTO Tipos (Texto, Largo) VALUES (?, ?)", std::vector<Value>{std::string("f") + std::to_string(i), std::int64_t{i}});
  db.Execute("DELETE FROM Tipos WHERE Largo % 7 = 0");
  db.Execute("CREATE INDEX IF NOT EXISTS ix_tipos_largo ON Tipos(Largo)");
  auto rowids = [&] {
    Recordset rs(db.Rows());
    rs.Open("SELECT rowid AS r, Texto, Largo FROM Tipos ORDER BY rowid");
    std::vector<std::string> out;
    for (; !rs.Eof(); rs.MoveNext()) out.push_back(AsText(rs.Field("r")) + "/" + AsText(rs.Field("Texto")) + "/" + AsText(rs.Field("Largo")));
    return out;
  };
  auto before = rowids();
  db.SetFieldProperties("TIPOS", "texto", true, std::int64_t{0});
  EXPECT_EQ(rowids(), before);
  auto f = db.FindTable("Tipos")->fields[0];
  EXPECT_TRUE(f.allowZeroLength);
  EXPECT_EQ(AsText(f.defaultValue), "0");
  db.Execute("INSERT INTO Tipos (Texto) VALUES ('')");
  Recordset idx(db.Rows());
  idx.Open("SELECT name FROM sqlite_master WHERE type = 'index' AND name = 'ix_tipos_largo'");
  EXPECT_EQ(idx.RecordCount(), 1);
  EXPECT_THROW(db.SetFieldProperties("Tipos", "NoHay", true, std::nullopt), Error);
}

TEST_F(DatabaseTest, ChangingAColumnLeavesEveryOtherDeclarationAsStored) {
  auto db = Open();
  // A table made outside this engine, beside a column of its own.
  const std::string foreign =
      "CREATE TABLE Ajena (Importe REAL NOT NULL DEFAULT 0, Codigo CHAR(8), Alta DATE DEFAULT CURRENT_DATE, "
      "\"Nota, con coma\" TEXT CHECK(length(\"Nota, con coma\") < 50), Nombre TEXT, UNIQUE(Codigo))";
  db.Execute(foreign);
  db.Execute("INSERT INTO Ajena (Importe, Codigo, Nombre) VALUES (1.5, 'AB', 'x')");
  auto declarations = [&] {
    Recordset rs(db.Rows());
    rs.Open("SELECT name, type, \"notnull\", dflt_value FROM pragma_table_info('Ajena') WHERE name <> 'Nombre'");
    std::vector<std::string> out;
    for (; !rs.Eof(); rs.MoveNext())
      out.push_back(AsText(rs.Field("name")) + "|" + AsText(rs.Field("type")) + "|" + AsText(rs.Field("notnull")) + "|" +
                    AsText(rs.Field("dflt_value")));
    return out;
  };
  auto before = declarations();
  db.SetFieldProperties("Ajena", "Nombre", true, std::string("nadie"));
  EXPECT_EQ(declarations(), before);

  Recordset rs(db.Rows());
  rs.Open("SELECT sql FROM sqlite_master WHERE name = 'Ajena'");
  const std::string sql = AsText(rs.Field("sql"));
  for (const char* kept : {"Importe REAL NOT NULL DEFAULT 0", "Codigo CHAR(8)", "Alta DATE DEFAULT CURRENT_DATE",
                           "\"Nota, con coma\" TEXT CHECK(length(\"Nota, con coma\") < 50)", "UNIQUE(Codigo)"})
    EXPECT_NE(sql.find(kept), std::string::npos) << kept << " in " << sql;
  db.Execute("INSERT INTO Ajena (Importe, Codigo) VALUES (2, 'CD')");
  rs.Close();
  rs.Open("SELECT Importe, Alta, Nombre FROM Ajena WHERE Codigo = 'CD'");
  EXPECT_EQ(rs.Field("Importe"), Value(2.0));
  EXPECT_NE(AsText(rs.Field("Alta")), "CURRENT_DATE");
  EXPECT_EQ(AsText(rs.Field("Nombre")), "nadie");
  EXPECT_THROW(db.Execute("INSERT INTO Ajena (Importe, Codigo) VALUES (NULL, 'EF')"), Error) << "the table's own constraints stay";
  EXPECT_THROW(db.Execute("INSERT INTO Ajena (Importe, Codigo) VALUES (3, 'AB')"), Error);
}

}  // namespace
}  // namespace orvo::db
