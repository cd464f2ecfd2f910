// A dataset held in memory and kept in an XML data packet file, in the format
// of the old client dataset:
//
//   <?xml version="1.0" encoding="UTF-8" standalone="yes"?>
//   <DATAPACKET Version="2.0"><METADATA><FIELDS>
//     <FIELD attrname="ConfigName" fieldtype="string" WIDTH="50"/>...
//   </FIELDS><PARAMS/></METADATA><ROWDATA>
//     <ROW ConfigName="DEFAULT" OptionName="101" OptionValue="16777215"/>...
//   </ROWDATA></DATAPACKET>
//
// Opening reads the whole file; its METADATA gives the field definitions.
// Reading is tolerant of what the old runtime wrote: a change log (RowState
// attributes and PARAMS CHANGE_LOG) is merged into plain rows, unknown
// attributes are ignored, a missing attribute is an empty field, and a file
// that is not valid UTF-8 is read as GBK. A file that cannot be read leaves
// the dataset closed and is never written; one whose content is not a data
// packet raises EDataPacketError.
//
// Every successful Post or Delete rewrites the file (through a temporary file
// renamed over it, so a crash never leaves half a file), and Close writes what
// an earlier failed write left unsaved. A failed write raises EDatabaseError
// from the operation; the change stays in memory for the next write.
#pragma once

#include "platform/db/TCachedDataSet.h"

#include <string>
#include <string_view>
#include <vector>

// Raised when the file was read but its content is not a data packet.
class EDataPacketError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

class TClientDataSet : public TCachedDataSet {
public:
    TClientDataSet() = default;
    ~TClientDataSet() override;

    // The data packet file; "\" in the name is taken as "/".
    const std::string& FileName() const { return DataFileName; }
    void SetFileName(const std::string& name) { DataFileName = name; }

    // The old client dataset kept a change log unless this was switched off.
    // This one keeps none: edits always go straight into the data that is
    // written to the file. The flag is kept for callers that set it.
    bool LogChanges() const { return ChangeLogWanted; }
    void SetLogChanges(bool value) { ChangeLogWanted = value; }

    // When set, opening a file that does not exist in a folder that does
    // creates it as an empty data packet with the FieldDefs given beforehand.
    // Otherwise a missing file makes the open fail.
    bool CreateMissingFile() const { return CreateIfMissing; }
    void SetCreateMissingFile(bool value) { CreateIfMissing = value; }

    void Post() override;
    void Delete() override;

protected:
    void InternalOpen() override;
    void InternalClose() override;
    // The file is written whole after the change is in memory.
    void StoreRecord(const Row*, Row&) override { Unsaved = true; }
    void StoreDeletion(const Row&) override { Unsaved = true; }

private:
    std::string FilePath() const;
    void ReadDataPacket(std::string_view bytes);
    // The data packet of the open dataset as written to the file.
    std::string DataPacket() const;
    void SaveIfUnsaved();

    std::string DataFileName;
    bool ChangeLogWanted = true;
    bool CreateIfMissing = false;
    // Changes in memory that the file does not hold yet.
    bool Unsaved = false;
};
