// The catalogue data. Each block is one table, its columns in stored order;
// the row layout is {base, table, column, type, size, zero, default, lists}.
#include "schema/catalogo.h"

namespace orvo::schema {
namespace {

using enum Tipo;

constexpr Base P = Base::Principal;
constexpr Base A = Base::Auxiliar;
constexpr int N = kSinDefecto;
constexpr int NO = kDefectoNO;
constexpr bool Z = true;    // zero-length allowed
constexpr bool X = false;   // flag left unset: the column refuses ''

constexpr unsigned C = Creador;
constexpr unsigned U = Actualizacion;
constexpr unsigned CU = Creador | Actualizacion;
constexpr unsigned CM = Creador | Masivo;
constexpr unsigned CUM = Creador | Actualizacion | Masivo;

constexpr Columna kCatalogo[] = {
    // ---- Main database, in the order of its upgrade pass ----
    // TFirma is no entry: no creator makes it and no list checks it; the
    // pass only fills it in an existing first row.
    {P, "Empresarial", "Empresa", Text, "150", Z, N, CU},
    {P, "Empresarial", "Logo", LongBinary, "", X, N, CU},
    {P, "Empresarial", "MemoR", Memo, "", Z, N, CU},
    {P, "Empresarial", "MemoF", Memo, "", Z, N, CU},

    {P, "Turnos_Tol", "Id_Turno", Long, "", X, 0, CU},
    {P, "Turnos_Tol", "Dia", Text, "10", Z, N, CU},
    {P, "Turnos_Tol", "TAE1", Text, "3", Z, N, CU},
    {P, "Turnos_Tol", "TDE1", Text, "3", Z, N, CU},
    {P, "Turnos_Tol", "TAS1", Text, "3", Z, N, CU},
    {P, "Turnos_Tol", "TAE2", Text, "3", Z, N, CU},
    {P, "Turnos_Tol", "TDE2", Text, "3", Z, N, CU},
    {P, "Turnos_Tol", "TAS2", Text, "3", Z, N, CU},

    {P, "Bita_Cheq", "Usuario", Text, "40", Z, N, CU},
    {P, "Bita_Cheq", "Fecha_Mod", Text, "10", Z, N, CU},
    {P, "Bita_Cheq", "Fecha", Text, "10", Z, N, CU},
    {P, "Bita_Cheq", "Id_Emp", Long, "", X, 0, CU},
    {P, "Bita_Cheq", "AC1", Text, "10", Z, N, CU},
    {P, "Bita_Cheq", "AC2", Text, "10", Z, N, CU},
    {P, "Bita_Cheq", "AC3", Text, "10", Z, N, CU},
    {P, "Bita_Cheq", "AC4", Text, "10", Z, N, CU},
    {P, "Bita_Cheq", "ADif", Text, "11", Z, N, CU},
    {P, "Bita_Cheq", "NC1", Text, "10", Z, N, CU},
    {P, "Bita_Cheq", "NC2", Text, "10", Z, N, CU},
    {P, "Bita_Cheq", "NC3", Text, "10", Z, N, CU},
    {P, "Bita_Cheq", "NC4", Text, "10", Z, N, CU},
    {P, "Bita_Cheq", "NDif", Text, "11", Z, N, CU},
    // The creator and the upgrade list disagree on Causa's width; an existing
    // Causa keeps whichever width it was made with.
    {P, "Bita_Cheq", "Causa", Text, "250", Z, N, C},
    {P, "Bita_Cheq", "Causa", Text, "255", Z, N, U},

    {P, "ChequeoExtra", "Fecha", Text, "10", Z, N, CU},
    {P, "ChequeoExtra", "Id_Emp", Long, "", X, 0, CU},
    {P, "ChequeoExtra", "C1", Text, "10", Z, N, CU},

    {P, "Bitacora", "Fecha", Text, "10", Z, N, CU},
    {P, "Bitacora", "Usuario", Text, "15", Z, N, CU},
    {P, "Bitacora", "Hora", Text, "15", Z, N, CU},
    {P, "Bitacora", "Operacion", Text, "50", Z, N, CU},

    {P, "Bloqueados", "Id", Long, "", X, 0, CU},

    // The archive makes eliminados as a copy of Personal; the list only
    // keeps it level with Personal's upgrade-only column.
    {P, "eliminados", "Fecha_Ingreso", Text, "10", Z, N, U},

    {P, "Chequeo", "Fecha", Text, "10", Z, N, CU},
    {P, "Chequeo", "Id_Emp", Long, "", X, 0, CU},
    {P, "Chequeo", "C1", Text, "10", Z, N, CU},
    {P, "Chequeo", "C2", Text, "10", Z, N, CU},
    {P, "Chequeo", "C3", Text, "10", Z, N, CU},
    {P, "Chequeo", "C4", Text, "10", Z, N, CU},
    {P, "Chequeo", "Diferencia", Text, "11", Z, N, CU},

    {P, "ChequeoF", "Fecha", Text, "10", Z, N, CU},
    {P, "ChequeoF", "Id_Emp", Long, "", X, 0, CU},
    {P, "ChequeoF", "C1", Text, "10", Z, N, CU},

    {P, "Departamentos", "Id_Depto", Long, "", X, 0, CU},
    {P, "Departamentos", "Nombre", Text, "25", Z, N, CU},
    {P, "Departamentos", "Descripcion", Text, "250", Z, N, CU},

    {P, "Permisos", "Id", Long, "", X, 0, CU},
    {P, "Permisos", "Tipo", Text, "1", Z, N, CU},
    {P, "Permisos", "Valor", Text, "1", Z, N, CU},
    {P, "Permisos", "Fecha_Inicial", Text, "10", Z, N, CU},
    {P, "Permisos", "Fecha_Final", Text, "10", Z, N, CU},
    {P, "Permisos", "Concepto", Text, "100", Z, N, CU},
    {P, "Permisos", "De", Text, "5", Z, N, CU},
    {P, "Permisos", "Hasta", Text, "5", Z, N, CU},
    {P, "Permisos", "Asignado", Text, "25", Z, N, CU},

    {P, "Turnos", "Id_Turno", Long, "", X, 0, CU},
    {P, "Turnos", "Nombre", Text, "25", Z, N, CU},
    {P, "Turnos", "Dia", Text, "10", Z, N, CU},
    {P, "Turnos", "HE1", Text, "5", Z, N, CU},
    {P, "Turnos", "HS1", Text, "5", Z, N, CU},
    {P, "Turnos", "HE2", Text, "5", Z, N, CU},
    {P, "Turnos", "HS2", Text, "5", Z, N, CU},
    {P, "Turnos", "Tol", Text, "2", Z, N, CU},
    {P, "Turnos", "RollDay", Text, "1", Z, N, CU},

    {P, "Usuarios", "Usuario", Text, "15", Z, N, CU},
    {P, "Usuarios", "Contraseña", Text, "15", Z, N, CU},
    {P, "Usuarios", "Permisos", Text, "15", Z, N, CU},

    {P, "Personal", "Id", Long, "", X, 0, CU},
    {P, "Personal", "Nombre", Text, "30", Z, N, CU},
    {P, "Personal", "A_Paterno", Text, "20", Z, N, CU},
    {P, "Personal", "A_Materno", Text, "20", Z, N, CU},
    {P, "Personal", "Foto", LongBinary, "", X, N, CU},
    {P, "Personal", "No_Empleado", Text, "20", Z, N, CU},
    {P, "Personal", "Departamento", Long, "", X, 0, CU},
    {P, "Personal", "T_Normal", Long, "", X, 0, CU},
    {P, "Personal", "T_Extra", Long, "", X, 0, CU},
    {P, "Personal", "Activo", Text, "1", Z, N, CU},
    {P, "Personal", "Fecha_Ingreso", Text, "10", Z, N, U},

    {P, "Numeros", "Id", Long, "", X, 0, CU},

    {P, "Utileria", "Enroll", Text, "2", Z, N, CU},

    {P, "confTE", "tmin", Text, "10", Z, N, CU},
    {P, "confTE", "tmaxd", Text, "10", Z, N, U},
    {P, "confTE", "tmaxs", Text, "10", Z, N, U},

    {P, "confRET", "R1", Text, "10", Z, N, CU},
    {P, "confRET", "R2", Text, "10", Z, N, CU},
    {P, "confRET", "RM", Text, "10", Z, N, CU},
    {P, "confRET", "S1", Text, "10", Z, N, CU},
    {P, "confRET", "S2", Text, "10", Z, N, CU},
    {P, "confRET", "SM", Text, "10", Z, N, CU},
    {P, "confRET", "Unr1", Integer, "", X, 0, CU},
    {P, "confRET", "Unr2", Integer, "", X, 0, CU},
    {P, "confRET", "Unr1c", Integer, "", X, 0, CU},
    {P, "confRET", "Unr2c", Integer, "", X, 0, CU},
    {P, "confRET", "Dnr1c", Integer, "", X, 0, CU},
    {P, "confRET", "Dnr2c", Integer, "", X, 0, CU},
    {P, "confRET", "Tnr1c", Integer, "", X, 0, CU},
    {P, "confRET", "Tnr2c", Integer, "", X, 0, CU},
    {P, "confRET", "Unrm", Integer, "", X, 0, CU},
    // 1, the value the default data completion writes into personalRet.idConfRet.
    {P, "confRET", "id", Long, "", X, 1, CU},

    {P, "Lectores", "Nombre", Text, "25", Z, N, CU},
    {P, "Lectores", "ReaderId", Integer, "", X, 0, CU},
    {P, "Lectores", "Conexion", Text, "10", Z, N, CU},
    {P, "Lectores", "PCom", Text, "2", Z, N, CU},
    {P, "Lectores", "IP", Text, "15", Z, N, CU},
    {P, "Lectores", "Puerto", Text, "5", Z, N, CU},
    {P, "Lectores", "Tipo", Integer, "", X, 0, CU},

    {P, "Checadas", "Fecha", Text, "10", Z, N, CU},
    {P, "Checadas", "Empleado", Long, "", X, 0, CU},
    {P, "Checadas", "Hora", Text, "10", Z, N, CU},

    {P, "Checadas_error", "Fecha", Text, "10", Z, N, CU},
    {P, "Checadas_error", "Empleado", Long, "", X, 0, CU},
    {P, "Checadas_error", "Hora", Text, "10", Z, N, CU},

    {P, "confPER", "vacyper", Text, "10", Z, N, CU},
    {P, "confPER", "consec", Text, "10", Z, N, CU},
    {P, "confPER", "anio", Text, "10", Z, N, CU},
    {P, "confPER", "antig", Text, "10", Z, N, CU},

    {P, "PE", "id", Long, "", X, 0, CU},

    {P, "Huerfanos", "Fecha", Text, "10", Z, N, CU},
    {P, "Huerfanos", "Id_Emp", Long, "", X, 0, CU},
    {P, "Huerfanos", "Hora", Text, "10", Z, N, CU},

    {P, "confEST", "diasLab", Integer, "", X, 0, CU},
    {P, "confEST", "diasPag", Integer, "", X, 0, CU},

    {P, "Tiempo", "Retardo", Integer, "", X, 0, CU},

    // No property on any column: idPerm reads Null when omitted, tipo refuses ''.
    {P, "paseSalida", "idPerm", Long, "", X, N, CU},
    {P, "paseSalida", "tipo", Text, "10", X, N, CU},
    {P, "paseSalida", "duracion", Date, "", X, N, CU},

    // Crea_planTurno makes planTurno and the next four tables in one opening.
    {P, "planTurno", "idPlan", Long, "", X, N, CU},
    {P, "planTurno", "fIni", Text, "10", X, N, CU},
    {P, "planTurno", "fFin", Text, "10", X, N, CU},
    {P, "planTurno", "tNuevo", Text, "25", X, N, CU},
    {P, "planTurno", "tipo", Text, "20", X, N, CU},
    {P, "planTurno", "depto", Text, "25", Z, N, CU},

    {P, "planTurnoEmpleados", "idPlan", Long, "", X, N, CU},
    {P, "planTurnoEmpleados", "numEmp", Text, "20", X, N, CU},
    {P, "planTurnoEmpleados", "tOriginal", Text, "25", X, N, CU},

    {P, "planesElegibles", "idPlan", Long, "", X, N, CU},
    {P, "planesElegibles", "valido", Text, "10", Z, N, CU},

    // The default rows go in as "INSERT INTO confPT VALUES('NO')": one column only.
    {P, "confPT", "aplica", Text, "2", X, NO, CU},

    {P, "turnosFechas", "numEmp", Text, "20", X, N, CU},
    {P, "turnosFechas", "fIni", Text, "10", X, N, CU},
    {P, "turnosFechas", "fFin", Text, "10", X, N, CU},
    {P, "turnosFechas", "turno", Text, "25", X, N, CU},
    {P, "turnosFechas", "idTurno", Long, "", X, N, CU},
    {P, "turnosFechas", "consecXtipo", Long, "", X, N, CU},

    {P, "confRetDef", "aplica", Text, "2", X, NO, CU},
    {P, "confRetDef", "defRMSM", Text, "2", X, NO, CU},
    {P, "confRetDef", "limFaltaDia", Text, "2", X, NO, CU},
    {P, "confRetDef", "priori", Text, "2", X, NO, CU},

    {P, "personalRet", "numEmp", Text, "20", X, N, CU},
    {P, "personalRet", "idConfRet", Long, "", X, N, CU},

    // The punch archive: every import writes it and nothing else makes it,
    // so it gets Checadas' layout and a creator of its own.
    {P, "Listado1", "Fecha", Text, "10", Z, N, CU},
    {P, "Listado1", "Empleado", Long, "", X, 0, CU},
    {P, "Listado1", "Hora", Text, "10", Z, N, CU},

    // ---- Auxiliary database, in the order of its upgrade pass ----
    // The bulk build never makes ChequeoExtra, so its creator runs every time.
    {A, "ChequeoExtra", "Fecha", Text, "10", Z, N, CU},
    {A, "ChequeoExtra", "Id_Emp", Long, "", X, 0, CU},
    {A, "ChequeoExtra", "C1", Text, "10", Z, N, CU},

    {A, "Empleaditos", "Id_Emp", Long, "", X, 0, CUM},
    {A, "Empleaditos", "Empleado", Text, "20", Z, N, CUM},
    {A, "Empleaditos", "Ncomp", Text, "255", Z, N, CUM},

    {A, "Extra", "Id_Emp", Long, "", X, 0, CUM},
    {A, "Extra", "Tiempo", Text, "10", Z, N, CUM},
    {A, "Extra", "Empleado", Text, "20", Z, N, CUM},
    {A, "Extra", "Ncomp", Text, "255", Z, N, CUM},

    {A, "Faltas", "Id_Emp", Long, "", X, 0, CUM},
    {A, "Faltas", "Asistencias", Integer, "", X, 0, CUM},
    {A, "Faltas", "Ausencias", Integer, "", X, 0, CUM},
    {A, "Faltas", "Empleado", Text, "20", Z, N, CUM},
    {A, "Faltas", "Ncomp", Text, "255", Z, N, CUM},
    // No property at all, and no upgrade-list entry: an existing Faltas
    // without turno stays without it.
    {A, "Faltas", "turno", Text, "25", X, N, CM},

    {A, "Retardos", "Id_Emp", Long, "", X, 0, CUM},
    {A, "Retardos", "TRetraso", Text, "10", Z, N, CUM},
    {A, "Retardos", "DLaborados", Integer, "", X, 0, CUM},
    {A, "Retardos", "Puntuales", Integer, "", X, 0, CUM},
    {A, "Retardos", "Retardos", Integer, "", X, 0, CUM},
    {A, "Retardos", "Permisos", Integer, "", X, 0, CUM},
    {A, "Retardos", "Empleado", Text, "20", Z, N, CUM},
    {A, "Retardos", "Ncomp", Text, "255", Z, N, CUM},

    {A, "Trabajados", "Id_Turno", Long, "", X, 0, CUM},
    {A, "Trabajados", "Laborables", Integer, "", X, 0, CUM},

    // Not the main ChequeoF: the same first three columns, then four more.
    {A, "ChequeoF", "Fecha", Text, "10", Z, N, CUM},
    {A, "ChequeoF", "Id_Emp", Long, "", X, 0, CUM},
    {A, "ChequeoF", "C1", Text, "10", Z, N, CUM},
    {A, "ChequeoF", "Empleado", Text, "20", Z, N, CUM},
    {A, "ChequeoF", "Ncomp", Text, "255", Z, N, CUM},
    {A, "ChequeoF", "Difs", Text, "10", Z, N, CUM},
    {A, "ChequeoF", "TotDif", Text, "10", Z, N, CUM},

    {A, "T_Dias", "Id_Turno", Long, "", X, 0, CUM},
    {A, "T_Dias", "L", Text, "1", Z, N, CUM},
    {A, "T_Dias", "M", Text, "1", Z, N, CUM},
    {A, "T_Dias", "I", Text, "1", Z, N, CUM},
    {A, "T_Dias", "J", Text, "1", Z, N, CUM},
    {A, "T_Dias", "V", Text, "1", Z, N, CUM},
    {A, "T_Dias", "S", Text, "1", Z, N, CUM},
    {A, "T_Dias", "D", Text, "1", Z, N, CUM},

    {A, "F_Noi", "Empleado", Text, "5", Z, N, CUM},
    {A, "F_Noi", "Fecha_F", Text, "10", Z, N, CUM},
    {A, "F_Noi", "Tiempo_R", Text, "10", Z, N, CUM},
    {A, "F_Noi", "Tiempo_E", Text, "10", Z, N, CUM},
    {A, "F_Noi", "Tipo", Text, "3", Z, N, CUM},

    {A, "R_Emp", "Empleado", Text, "20", Z, N, CUM},
    {A, "R_Emp", "NomCamp", Text, "20", Z, N, CUM},
    {A, "R_Emp", "Valor", Text, "250", Z, N, CUM},

    {A, "R_Turn", "Nombre", Text, "25", Z, N, CUM},
    {A, "R_Turn", "Dia", Text, "10", Z, N, CUM},
    {A, "R_Turn", "TolAE1", Text, "3", Z, N, CUM},
    {A, "R_Turn", "E1", Text, "10", Z, N, CUM},
    {A, "R_Turn", "TolDE1", Text, "3", Z, N, CUM},
    {A, "R_Turn", "TolAS1", Text, "3", Z, N, CUM},
    {A, "R_Turn", "S1", Text, "10", Z, N, CUM},
    {A, "R_Turn", "TolAE2", Text, "3", Z, N, CUM},
    {A, "R_Turn", "E2", Text, "10", Z, N, CUM},
    {A, "R_Turn", "TolDE2", Text, "3", Z, N, CUM},
    {A, "R_Turn", "TolAS2", Text, "3", Z, N, CUM},
    {A, "R_Turn", "S2", Text, "10", Z, N, CUM},

    {A, "R_Perm", "Id", Long, "", X, 0, CUM},
    {A, "R_Perm", "Tipo", Text, "60", Z, N, CUM},
    {A, "R_Perm", "Aplicado", Text, "30", Z, N, CUM},
    {A, "R_Perm", "Causa", Text, "250", Z, N, CUM},
    {A, "R_Perm", "FechaI", Text, "15", Z, N, CUM},
    {A, "R_Perm", "FechaF", Text, "15", Z, N, CUM},
    {A, "R_Perm", "Asignado", Text, "150", Z, N, CUM},

    {A, "Faltas_Det", "Empleado", Text, "20", Z, N, CUM},
    {A, "Faltas_Det", "Fecha_F", Text, "10", Z, N, CUM},
    {A, "Faltas_Det", "Ncomp", Text, "255", Z, N, CUM},

    {A, "Extra_Det", "Empleado", Text, "20", Z, N, CUM},
    {A, "Extra_Det", "Fecha", Text, "10", Z, N, CUM},
    {A, "Extra_Det", "Tiempo", Text, "5", Z, N, CUM},
    {A, "Extra_Det", "Ncomp", Text, "255", Z, N, CUM},
    // Left out of the bulk build; the upgrade pass appends it on every run.
    {A, "Extra_Det", "cuando", Text, "10", Z, N, CU},

    {A, "Cheq_Mod", "Id", Long, "", X, 0, CUM},
    {A, "Cheq_Mod", "User", Text, "40", Z, N, CUM},
    {A, "Cheq_Mod", "F_mod", Text, "10", Z, N, CUM},
    {A, "Cheq_Mod", "Fecha", Text, "10", Z, N, CUM},
    {A, "Cheq_Mod", "Ac1", Text, "10", Z, N, CUM},
    {A, "Cheq_Mod", "Ac2", Text, "10", Z, N, CUM},
    {A, "Cheq_Mod", "Ac3", Text, "10", Z, N, CUM},
    {A, "Cheq_Mod", "Ac4", Text, "10", Z, N, CUM},
    {A, "Cheq_Mod", "Adif", Text, "11", Z, N, CUM},
    {A, "Cheq_Mod", "nc1", Text, "10", Z, N, CUM},
    {A, "Cheq_Mod", "nc2", Text, "10", Z, N, CUM},
    {A, "Cheq_Mod", "nc3", Text, "10", Z, N, CUM},
    {A, "Cheq_Mod", "nc4", Text, "10", Z, N, CUM},
    {A, "Cheq_Mod", "ndif", Text, "11", Z, N, CUM},
    {A, "Cheq_Mod", "causa", Text, "250", Z, N, CUM},
    {A, "Cheq_Mod", "Nombre", Text, "70", Z, N, CUM},
};

constexpr Tabla kPrincipal[] = {
    {P, "Empresarial", "Crea_Empresarial"},
    {P, "Turnos_Tol", "Crea_Turnos_Tol"},
    {P, "Bita_Cheq", "Crea_Bita_Cheq"},
    {P, "ChequeoExtra", "Crea_ChequeoExtra"},
    {P, "Bitacora", "Crea_Bitacora"},
    {P, "Bloqueados", "Crea_Bloqueados"},
    {P, "eliminados", ""},
    {P, "Chequeo", "Crea_Chequeo"},
    {P, "ChequeoF", "Crea_ChequeoF"},
    {P, "Departamentos", "Crea_Departamentos"},
    {P, "Permisos", "Crea_Permisos"},
    {P, "Turnos", "Crea_Turnos"},
    {P, "Usuarios", "Crea_Usuarios"},
    {P, "Personal", "Crea_Personal"},
    {P, "Numeros", "Crea_Numeros"},
    {P, "Utileria", "Crea_Utileria"},
    {P, "confTE", "Crea_confTE"},
    {P, "confRET", "Crea_confRET"},
    {P, "Lectores", "Crea_Lectores"},
    {P, "Checadas", "Crea_Checadas"},
    {P, "Checadas_error", "Crea_Checadas_error"},
    {P, "confPER", "Crea_confPER"},
    {P, "PE", "Crea_PE"},
    {P, "Huerfanos", "Crea_Huerfanos"},
    {P, "confEST", "Crea_confEST"},
    {P, "Tiempo", "Crea_Tiempo"},
    {P, "paseSalida", "Crea_paseSalida"},
    {P, "planTurno", "Crea_planTurno"},
    // Made by Crea_planTurno and checked only when planTurno is present.
    {P, "planTurnoEmpleados", "Crea_planTurno"},
    {P, "planesElegibles", "Crea_planTurno"},
    {P, "confPT", "Crea_planTurno"},
    {P, "turnosFechas", "Crea_planTurno"},
    {P, "confRetDef", "Crea_confRetDef"},
    {P, "personalRet", "Crea_personalRet"},
    {P, "Listado1", "Crea_Listado1"},
};

constexpr Tabla kAuxiliar[] = {
    {A, "ChequeoExtra", "aCrea_ChequeoExtra"},
    {A, "Empleaditos", "aCrea_Empleaditos"},
    {A, "Extra", "aCrea_Extra"},
    {A, "Faltas", "aCrea_Faltas"},
    {A, "Retardos", "aCrea_Retardos"},
    {A, "Trabajados", "aCrea_Trabajados"},
    {A, "ChequeoF", "aCrea_ChequeoF"},
    {A, "T_Dias", "aCrea_T_Dias"},
    {A, "F_Noi", "aCrea_F_Noi"},
    {A, "R_Emp", "aCrea_R_Emp"},
    {A, "R_Turn", "aCrea_R_Turn"},
    {A, "R_Perm", "aCrea_R_Perm"},
    {A, "Faltas_Det", "aCrea_Faltas_Det"},
    {A, "Extra_Det", "aCrea_Extra_Det"},
    {A, "Cheq_Mod", "aCrea_Cheq_Mod"},
};

}  // namespace

std::span<const Columna> Catalogo() { return kCatalogo; }
std::span<const Tabla> TablasPrincipal() { return kPrincipal; }
std::span<const Tabla> TablasAuxiliar() { return kAuxiliar; }

bool TienePruebaPropia(const Tabla& tabla) {
  // A table is tested by itself unless another table's creator makes it:
  // then it is named neither after its creator nor left without one.
  if (tabla.creador.empty()) return true;
  std::string_view resto = tabla.creador;
  const std::string_view prefijo = tabla.base == Base::Principal ? "Crea_" : "aCrea_";
  if (!resto.starts_with(prefijo)) return false;
  resto.remove_prefix(prefijo.size());
  return resto == tabla.nombre;
}

std::string_view CtipoDe(Tipo tipo) {
  switch (tipo) {
    case Text: return "dbText";
    case Long: return "dbLong";
    case Integer: return "dbInteger";
    case Memo: return "dbMemo";
    case LongBinary: return "dbLongBinary";
    case Date: return "dbDate";
  }
  return "";
}

}  // namespace orvo::schema
