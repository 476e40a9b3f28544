// The material table "fedwst.dbf": reading and writing the material record,
// looking a material up by its number, browsing the table and entering a new
// material. Called by the material dialog and the main menu.
#pragma once

#include <cstdint>
#include <string>

namespace kor2 {

// Fields 1..27 of the current record of the open table into MaterialRec.
void ReadMaterialRecord();
// MaterialRec into fields 1..27 of the current record.
void WriteMaterialRecord();
// Opens the table with its key index in the temporary folder; true when open.
bool OpenMaterialTable();
// Reads and applies the material numbered Number; the table is closed again.
bool LoadMaterialById(uint16_t number);
// The material record of a spring just read from a file, before its check: a
// table material (MaterialIndex 0) is read from the table by MaterialRecNo, a
// typed-in material (11) gets an empty record, so that nothing of a material
// browsed or read before enters its check and diagrams. A table material
// that cannot be read (no table, a damaged one, a number it does not hold,
// no room for its index) leaves the record empty, keeps the file's material
// values (MaterialStrengthFromFile), adds "Fatal  : FEDWST DBF error" and
// fills SpringMaterialFailure. MaterialRecNo keeps the file's number and
// AbortFlag is clear afterwards.
void LoadSpringFileMaterial();

// Why the table material of the spring read last could not be read; the
// callers that read a spring for the user tell it (the window at once, a
// batch run on standard error).
struct MaterialFailure {
    bool failed = false;   // the record could not be read
    std::string cause;     // the table engine's message naming file and cause, if it raised one
    // A file the run makes itself (the key index in its temporary folder)
    // could not be made, opened or written: not the table's fault.
    bool writing = false;
};
inline MaterialFailure SpringMaterialFailure;
// The message for the user: "Fatal  : FEDWST DBF error" and the cause.
std::string MaterialFailureText(const MaterialFailure& failure);
// The main menu's material-table command: browse and edit the table.
void SelectMaterial();
// Opens the table without an index: "Fatal  : FEDWST DBF error" and false
// when it cannot be read.
bool OpenMaterialTableOnly();
// Closes the table when it leaves scope, also when a table error is
// raised in between (the error still ends the command).
class MaterialTableCloser {
public:
    MaterialTableCloser() = default;
    ~MaterialTableCloser();
    MaterialTableCloser(const MaterialTableCloser&) = delete;
    MaterialTableCloser& operator=(const MaterialTableCloser&) = delete;
};
// Dialog chain that appends a material typed in by the user; the number of
// the record it appended, 0 when none (cancelled, or the table refused it).
int32_t EnterNewMaterial();

}  // namespace kor2
