#include "wizard/Usage.h"

#include "platform/Platform.h"
#include "wizard/ProgramName.h"
#include "wizard/Wizard.h"

#include <cstdio>

namespace {

std::string CommandLines(const std::string& name, bool windows) {
    std::string text;
    text += "Usage: " + name + " /SILENT DATABASE OUTPUT [OPTION...]\n";
    text += "       " + name + (windows ? " /BATCH FOLDER\\*.mdb" : " /BATCH 'FOLDER/*.mdb'") + " OUTPUT [OPTION...]\n";
    if (!windows) {
        text += "       " + name + " --list-tables DATABASE [/PASSWORD=X] [/TABLES=A;B]\n";
        text += "       " + name + " --schema=sqlite|postgres|mysql DATABASE [/PASSWORD=X] [/TABLES=A;B]\n";
        text += "       " + name + " --version\n";
    }
    return text;
}

std::string WhatItDoes(bool windows) {
    std::string text = R"(
Converts every table of an Access database (.mdb, .accdb) into a delimited
text file. OUTPUT is a folder (one TABLE.csv per table) or a file ending in
)";
    text += windows ? ".csv or .txt. Paths of four characters or fewer are not recognised\n"
                      "as paths: write .\\out rather than out.\n"
                    : ".csv or .txt, or - for standard output. Paths of four characters or fewer\n"
                      "are not recognised as paths: write ./out rather than out.\n";
    if (HasWizardWindow())
        text += R"(Without /SILENT, and without a wildcard after /BATCH, the wizard opens with
the paths and options given; /BATCH then walks its pages by itself and /WAIT
keeps it open on its last page.
)";
    else
        text += R"(This build has no wizard window: it converts only with /SILENT, or with
/BATCH and a wildcard (* or ?) in the database path.
)";
    return text;
}

std::string OptionsAndOutcome(const std::string& settingsFile) {
    return R"(
Options (also -OPTION; keywords in any case):
  /FIELDS=X          field delimiter: text, TAB, PIPE or NONE (default ,)
  /RECORDS=X         record delimiter: CRLF (default), CR, LF, NONE or text
  /RECORDS=0         header line only, no data rows
  /HEADER=0|1        field-name header line
  /QUOTES=0|1        enclose text, date and yes/no cells in double quotes
  /ESCAPE=X          text before an embedded double quote: DQ, SQ or text
  /CRLF=KEEP|REMOVE|REPLACE  line breaks inside text (default: spaces)
  /TABLES=A;B        only these tables (default: all)
  /ONLYFIELDS=A;B    only these fields
  /EXT=.txt          extension of the output files (default .csv)
  /OVERWRITE=NO|YES|SKIP     append to existing files (NO) or replace them
  /ANSI /OEM /ASIS   code page of text cells
  /PASSWORD=X        database password
  /YYYY-MM-DD ...    date format keyword (accepted, output unchanged)
  /LOG               append events to wizards.log
  /STATUS[=FILE]     report the stage to a status file (Result=...)
  /QUIET             no progress line on the terminal
  --link-dir=FOLDER  look for the files of linked tables in FOLDER too (after
                     their stored path and the database's folder; repeatable;
                     then the folders of VARNEX_LINK_PATH)
  --links=no         follow no linked table: each fails alone
  --format=jsonl     one JSON object per record (TABLE.jsonl): numbers exact,
                     dates ISO 8601, NULL as null, binary as base64
  --format=sql:sqlite|sql:postgres|sql:mysql  SQL for that database
                     (TABLE.sql; - or FILE.sql: one script with the foreign
                     keys): CREATE TABLE and indexes, then each table's rows
                     as INSERTs in one transaction
  --data-only        with --format=sql:..., the INSERTs without CREATE TABLE
  --format=sqlite    every table into one SQLite database: OUTPUT is a file
                     ending in .sqlite, .sqlite3 or .db, with keys, indexes
                     and foreign keys; it replaces an old one only when the
                     run is complete
  --portable         CSV the same in every locale: UTF-8, ISO dates, C-locale
                     numbers, true/false, quoted only where needed
  --binary=hex|base64|skip  binary and OLE cells as hex digits (default),
                     base64, or left empty
  --attachments=FOLDER  write the files of attachment fields to
                     FOLDER/TABLE/ROW/NAME; their cells name them
  --list-tables      print the tables the run would convert, one per line
  --schema=sqlite|postgres|mysql  print SQL that makes those tables: columns,
                     primary keys, indexes, then the relationships as
                     foreign keys (types as README's table says)
  --version          print the version

Settings saved in )" +
           settingsFile + R"( beside the program come first; without
that file there is no header line, cells are quoted and files are replaced.

Exit status: 0 when every table was converted; 1 when a database could not
be opened, the path matched no file, a table could not be written, no
OUTPUT was given, or a path or the password was too long to be used whole.
A table whose name cannot be a file name, or whose file is another table's,
is written to a file of another name (NAME~2.csv...); a note says which.
)";
}

std::string Examples(const std::string& name, bool windows) {
    std::string text = "\nExamples:\n";
    if (windows) {
        text += "  " + name + " /SILENT shop.mdb .\\csv\n";
        text += "  " + name + " /SILENT shop.mdb .\\csv /FIELDS=TAB /QUOTES=1 /TABLES=Orders\n";
        text += "  " + name + " /BATCH C:\\data\\*.mdb C:\\data\\csv /STATUS=C:\\data\\status.ini\n";
        text += "  " + name + " /SILENT shop.mdb shop.sqlite --format=sqlite\n";
    } else {
        text += "  " + name + " /SILENT shop.mdb ./csv\n";
        text += "  " + name + " /SILENT shop.mdb ./csv /FIELDS=TAB /QUOTES=1 /TABLES=Orders\n";
        text += "  " + name + " /BATCH '/data/*.mdb' /data/csv/ /STATUS=/tmp/varnex.status\n";
        text += "  " + name + " /SILENT shop.mdb - /TABLES=Orders | wc -l\n";
        text += "  " + name + " /SILENT shop.mdb - --format=sql:postgres | psql -d shop\n";
        text += "  " + name + " /SILENT shop.mdb shop.sqlite --format=sqlite\n";
    }
    return text;
}

} // namespace

std::string UsageText(std::string_view programName) {
    const std::string name = ProgramBaseName(programName);
    const bool windows = platform::PathSeparator == '\\';
    const std::string settingsFile = name.substr(0, name.rfind('.')) + ".ini";
    return CommandLines(name, windows) + WhatItDoes(windows) + OptionsAndOutcome(settingsFile) +
           Examples(name, windows);
}

void ShowUsage(std::string_view programName) {
    const std::string text = UsageText(programName);
    if (!platform::HasVisibleStandardOutput()) {
        ShowUsageWindow(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}
