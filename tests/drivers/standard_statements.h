/*
 * standard_statements.h: the query builder's statements over a station
 * table and its units, with the rows each must give, shared by the tests
 * of every driver: the DB3 driver's engine runs them in process, and the
 * ODBC driver through the engine's C interface on a server.
 */
#ifndef PV_TESTS_DRIVERS_STANDARD_STATEMENTS_H
#define PV_TESTS_DRIVERS_STANDARD_STATEMENTS_H

/* The tables and their rows. */
inline const char *const k_standard_tables[] = {
    "CREATE TABLE STATN (BASENUMBER DEC(8),STN CHAR(8),SEC DEC(4),DIP NUMERIC(5,1),LITH CHAR(12),UNIT CHAR(4))",
    "CREATE TABLE UNITS (BASENUMBER DEC(8),UNIT CHAR(4),NAME CHAR(20))",
    "INSERT INTO STATN (BASENUMBER,STN,SEC,DIP,LITH,UNIT) VALUES (1,'B2',2,45.5,'granite','G')",
    "INSERT INTO STATN (BASENUMBER,STN,SEC,DIP,LITH,UNIT) VALUES (2,'A1',1,12,'Granite','G')",
    "INSERT INTO STATN (BASENUMBER,STN,SEC,DIP,LITH,UNIT) VALUES (3,'A1',2,70,NULL,'S')",
    "INSERT INTO STATN (BASENUMBER,STN,SEC,DIP,LITH,UNIT) VALUES (4,'C3',1,NULL,'schist','S')",
    "INSERT INTO UNITS (BASENUMBER,UNIT,NAME) VALUES (1,'G','Granite unit')",
    "INSERT INTO UNITS (BASENUMBER,UNIT,NAME) VALUES (2,'S','Schist unit')",
    "INSERT INTO UNITS (BASENUMBER,UNIT,NAME) VALUES (3,'T','Mt \"Bald\" \\ Peak')",
};

/* One query, its rows ("a|b" lines, NULL as "~"), and whether only the DB3
 * driver takes it (a FROM list naming a table twice). */
struct standard_query {
    const char *sql;
    const char *want;
    bool db3_only = false;
};

inline const standard_query k_standard_queries[] = {

    {"SELECT STATN.STN, STATN.SEC FROM STATN ORDER BY 1 ,2", "A1|1\nA1|2\nB2|2\nC3|1\n"},
    {"SELECT STATN.STN, STATN.DIP FROM STATN WHERE   STATN.DIP > 30  ORDER BY 1 ", "A1|70.0\nB2|45.5\n"},
    {"SELECT DISTINCT STATN.STN, UNITS.NAME FROM STATN,UNITS WHERE  ( STATN.DIP >= 10  AND  NOT (STATN.LITH = 'granite') ) "
     "AND STATN.UNIT = UNITS.UNIT ORDER BY 1 ",
     "A1|Granite unit\n"},
    {"SELECT STATN.STN FROM STATN WHERE   STATN.LITH IS NULL ", "A1\n"},
    {"SELECT STATN.STN FROM STATN WHERE   NOT (STATN.LITH IS NULL) ", "B2\nA1\nC3\n"},
    {"SELECT STATN.STN FROM STATN WHERE   STATN.LITH LIKE 'gran%' ", "B2\n"},
    {"SELECT STATN.STN FROM STATN WHERE   STATN.LITH NOT LIKE 'gran%' ", "A1\nC3\n"},
    {"SELECT NAME FROM UNITS WHERE NAME LIKE '%\\%'", "Mt \"Bald\" \\ Peak\n"},
    {"SELECT STATN.STN FROM STATN WHERE  ( STATN.SEC = 2  OR  STATN.DIP <= 12 ) AND STATN.UNIT <> 'S' ORDER BY 1 ",
     "A1\nB2\n"},
    {"SELECT * FROM STATN WHERE BASENUMBER = 4", "4|C3|1|~|schist|S\n"},
    {"SELECT STATN.STN, UNITS.NAME FROM STATN,UNITS WHERE STATN.UNIT = UNITS.UNIT ORDER BY 2 ,1", 
     "A1|Granite unit\nB2|Granite unit\nA1|Schist unit\nC3|Schist unit\n"},
    {"SELECT MAX(DIP) FROM STATN", "70.0\n"},
    {"SELECT STATN.STN FROM STATN WHERE STATN.STN = 'A1   '", "A1\nA1\n"},
    {"SELECT STN, LITH FROM STATN WHERE LITH IS NOT NULL ORDER BY LITH, STN", "A1|Granite\nB2|granite\nC3|schist\n"},
    {"SELECT STN FROM STATN WHERE DIP < 45.5 OR DIP IS NULL ORDER BY BASENUMBER DESC", "C3\nA1\n"},
    {"SELECT STATN.STN, UNITS.NAME, STATN.SEC FROM STATN,UNITS,STATN WHERE  STATN.UNIT = UNITS.UNIT ORDER BY 1 ,3",
     "A1|Granite unit|1\nA1|Schist unit|2\nB2|Granite unit|2\nC3|Schist unit|1\n", true},
    {"SELECT DISTINCT STATN.UNIT, UNITS.NAME FROM STATN,STATN,UNITS,UNITS WHERE STATN.UNIT = UNITS.UNIT ORDER BY 1 ",
     "G|Granite unit\nS|Schist unit\n", true},
};

#endif /* PV_TESTS_DRIVERS_STANDARD_STATEMENTS_H */
