// Named fields of every parameter table page: the readable form of a part image. The default
// parameter generator builds pages from "name = value" tables with it, the inspector prints pages
// as named fields with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class ParamFieldType { U8, U16, U32, I32, Str, Bytes };

struct ParamField {
    std::string name;
    uint16_t offset;
    ParamFieldType type;
    uint16_t len; // bytes (1, 2, 4, or the string / byte array length)
};

struct ParamTableDesc {
    const char* name; // section name in the field tables ("factsys", "splicemode", ...)
    int firstPage;    // relative page in a part
    int count;        // pages of this kind
    const std::vector<ParamField>* fields;
};

// Every table kind of a part, in page order.
const std::vector<ParamTableDesc>& ParamTables();
// The table kind owning relative page `page`, or null.
const ParamTableDesc* ParamTableOfPage(int page);
const ParamTableDesc* ParamTableByName(std::string_view name);
const ParamField* ParamFieldByName(const ParamTableDesc& table, std::string_view name);

// Sets a field of a 128-byte page from its text ("12", "-5", "0x5A", "\"text\"", "1 2 3").
// Returns false with a message in `err` when the text does not fit the field.
bool ParamFieldSet(const ParamField& f, uint8_t* page, std::string_view text, std::string& err);
// The field's value as text, in the form ParamFieldSet reads.
std::string ParamFieldText(const ParamField& f, const uint8_t* page);
