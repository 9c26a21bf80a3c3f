// Reader of the setup INI file.
//
// The file is loaded whole and positioned at one section. Keys are found by
// prefix ("DRVNAME" matches "DRVNAME2=..."), a section ends at the first "["
// after its header wherever that stands, and a value is split into at most
// eight comma-separated fields, quotes kept. Each section is read from a fresh
// load, because positioning at a section cuts the text off at its end.
//
// The text is walked a character at a time in the code page the reader is
// given: a "[" or an ASCII letter that is the second byte of a double-byte
// character neither ends the section nor has its case folded.
#pragma once

#include "char_text.h"

#include <cstddef>
#include <memory>
#include <string>

class CSetupIni {
public:
    static constexpr int kFieldCount = 8;

    explicit CSetupIni(LeadByteTest leadByte = NoLeadBytes) : leadByte(leadByte) {}
    virtual ~CSetupIni() = default;
    CSetupIni(const CSetupIni&) = delete;
    CSetupIni& operator=(const CSetupIni&) = delete;

    // Loads the file and positions at `section` (an empty name selects the
    // first section). FALSE when the file cannot be read (state unchanged) or
    // the section does not exist (nothing stays loaded).
    bool Open(std::string fileName, std::string section);

    // Looks a key up from the start of the section and fills `fields`.
    bool FindKey(std::string key);

    // Reads the entry at the read position, returns its key and fills `fields`.
    bool NextEntry(std::string& key);

    // The text between the first pair of double quotes of a value, or the
    // value without leading white space when it does not start with a quote.
    static std::string Unquote(std::string value);

    void Close();

    // Fields of the entry read last. A value with more than eight fields keeps
    // its first eight; the rest of its line is skipped.
    std::string fields[kFieldCount];

protected:
    // Open on text already in memory (the file's bytes).
    bool OpenText(std::string bytes, const std::string& section);

private:
    enum class LineMode { KeepPosition, MarkSection };

    bool FindLine(const std::string& target, LineMode mode);
    void ParseFields();
    void ClearFields();

    LeadByteTest leadByte;
    std::unique_ptr<char[]> text;   // the whole file, NUL-terminated
    char* cursor = nullptr;         // read position
    char* sectionStart = nullptr;   // first byte after the section's header line
};
