#pragma once
// Declarations of persistent fields and dataset components, written once as constant tables
// in the form definition and handed to the datasets when they are created.

#include <span>

enum class TFieldType {
    ftString,    // text of up to `size` characters
    ftFixedChar, // fixed-width text of `size` characters (CHAR)
    ftSmallint,  // 16-bit integer
    ftInteger,   // 32-bit integer
    ftLargeint,  // 64-bit integer
    ftFloat,     // double precision
    ftBCD,       // fixed point: `size` digits, `scale` decimals; held with four decimals
    ftDateTime,  // date and time of day
    ftDate,      // date only
    ftTime,      // time of day only
};

struct TFieldDef {
    const char* name;
    TFieldType type;
    int size = 0;  // characters for text, precision for ftBCD
    int scale = 0; // decimals for ftBCD
    bool required = false;
};

using TFieldDefs = std::span<const TFieldDef>;

// A client dataset of the form definition: the statement its provider runs when it opens, the
// table its changes are applied to, the key that identifies an applied row and its fields.
// A source set has no table and no key: it is only read.
struct TClientDataSetDef {
    const char* name;      // component name, e.g. "CDS_CLIENTE"
    const char* sql;       // design statement of the provider's query
    const char* table;     // destination table written by ApplyUpdates, or nullptr
    const char* keyFields; // key column(s) separated by ';', or nullptr
    TFieldDefs fields;
    // Later work finds the applied rows again by the key they were given: a destination that stores
    // one under another key ends the work.
    bool keyMustStay = false;
};

// A table component: a whole destination table with its primary key and its fields.
struct TTableDef {
    const char* name;       // component name, e.g. "TBL_BAIRRO"
    const char* table;      // e.g. "SCA_BAIRRO"
    const char* primaryKey; // key column(s) separated by ';', the order in which rows are held
    TFieldDefs fields;
    bool keyMustStay = false; // as for a client dataset
};

// A look-up of a destination table answered from memory: the result columns of the rows whose key
// columns equal the values searched.
struct TTableIndexDef {
    const char* name;          // component name, e.g. "IDX_SAIDA_NUMERO"
    const char* table;         // e.g. "SCA_SAIDA"
    const char* keyColumns;    // column(s) compared, separated by ';'
    const char* resultColumns; // column(s) returned, separated by ';'
};
