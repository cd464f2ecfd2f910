// The parameter store: every setting of the program as a text value under an
// integer option id, read and written through typed getters and setters, and
// the named rulers (stored calibrations). It persists both as configuration
// records (ConfigName, OptionName, OptionValue) in the configuration dataset:
// settings under ConfigName "DEFAULT" with the option id in decimal as
// OptionName, rulers under the ruler keys with the ruler's name. Records have
// no key: they are found by a scan from the first record comparing both names
// byte for byte, and the first match wins.
//
// The store is a singleton created on first use and living until exit. Every
// getter and setter adds an unknown id with an empty text (insert-on-miss).
// Numbers are written with "." whatever the locale and read with "." or ",".
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TCustomConnection;
class TDataSet;

// Option ids, with how each is read and what it means. Colours are 0x00BBGGRR;
// packed points are y * 10000 + x (sizes height * 10000 + width).
inline constexpr int OPT_COLOR_DESIGN = 101; // colour: colour of a shape while it is being drawn
inline constexpr int OPT_COLOR_NORMAL = 102; // colour: colour of a finished, unselected shape
inline constexpr int OPT_COLOR_ACTIVE = 103; // colour: colour of the selected (active) shape
inline constexpr int OPT_COLOR_BRUSH = 104; // colour: fill (brush) colour
inline constexpr int OPT_COLOR_MARK = 105; // colour: colour of a shape's mark (label)
inline constexpr int OPT_COLOR_MARK_FONT = 106; // colour: colour of mark text
inline constexpr int OPT_COLOR_MARK_BG = 107; // colour: background colour of mark text
inline constexpr int OPT_MARK_BG = 108; // bool: mark text is drawn on the mark background colour
inline constexpr int OPT_ACTIVE_WIDTH = 201; // int: pick tolerance of hit tests, in pixels
inline constexpr int OPT_GRAB_DEVICE = 301; // text: name of the capture device
inline constexpr int OPT_GRAB_FORMAT = 302; // long: capture frame size chosen (the capture control's packed size)
inline constexpr int OPT_GRAB_STRETCH = 303; // int 0/1: state of the capture window's stretch check box
inline constexpr int OPT_GRAB_CROSS = 304; // int 0/1: cross-hair drawn over the preview
inline constexpr int OPT_GRAB_CROSS_COLOR = 305; // colour: cross-hair colour
inline constexpr int OPT_GRAB_SAVE_SHAPES = 306; // bool: keep the shapes when a new image replaces the working image
inline constexpr int OPT_GRAB_USER_SIZE = 307; // bool: grabbed frames are resized to a user size
inline constexpr int OPT_GRAB_WIDTH = 308; // int, stored as typed text: user width of grabbed frames
inline constexpr int OPT_GRAB_HEIGHT = 309; // int, stored as typed text: user height of grabbed frames
inline constexpr int OPT_VIEW_TOOL = 401; // bool: common tool bar shown
inline constexpr int OPT_VIEW_SHAPE = 402; // bool: shape tool bar shown
inline constexpr int OPT_VIEW_ATTR = 403; // bool: attribute (value) window shown
inline constexpr int OPT_VIEW_MARK = 404; // bool: shape marks shown
inline constexpr int OPT_VIEW_RELATION = 405; // bool: relation tool bar shown
inline constexpr int OPT_VIEW_RULE = 406; // bool: ruler shown on the image
inline constexpr int OPT_VIEW_ZOOM = 407; // bool: magnifier window shown
inline constexpr int OPT_VIEW_NAME = 408; // bool: shape names shown
inline constexpr int OPT_VIEW_EDIT = 409; // bool: edit tool bar shown
inline constexpr int OPT_VIEW_DIGIT = 410; // bool: numeric-entry window shown
inline constexpr int OPT_POS_VALUE = 501; // long, packed point: value window left/top
inline constexpr int OPT_POS_MAIN = 502; // long, packed point: main window left/top
inline constexpr int OPT_SIZE_VALUE = 503; // long, packed size: value window width/height
inline constexpr int OPT_SIZE_MAIN = 504; // long, packed size: main window width/height
inline constexpr int OPT_POS_TOOLBAR_TOOL = 505; // long, packed point: common tool bar left/top
inline constexpr int OPT_POS_TOOLBAR_RELATION = 506; // long, packed point: relation tool bar left/top
inline constexpr int OPT_POS_ZOOM = 507; // long, packed point: magnifier window left/top
inline constexpr int OPT_POS_TOOLBAR_SHAPE = 508; // long, packed point: shape tool bar left/top
inline constexpr int OPT_POS_TOOLBAR_EDIT = 509; // long, packed point: edit tool bar left/top
inline constexpr int OPT_POS_RULE_HORI_VERT = 510; // long, packed point: calibration window left/top
inline constexpr int OPT_POS_DIGIT = 511; // long, packed point: numeric-entry window left/top
inline constexpr int OPT_LANGUAGE = 551; // int: 1 English, 2 Simplified Chinese, 3 Traditional Chinese
inline constexpr int OPT_UNUSED_552 = 552; // int: reserved; stored and loaded, read by nothing
inline constexpr int OPT_UNUSED_553 = 553; // int: reserved, as 552
inline constexpr int OPT_DRAG_DRAW = 601; // bool: shapes are drawn by dragging instead of clicking
inline constexpr int OPT_MARK_NEW_SHAPE = 602; // bool: a newly drawn shape gets its mark
inline constexpr int OPT_RULE_LOAD_SAVED = 701; // bool: the calibration (702, 703, 709-712) is kept from run to run;
                                                // when off, SetScale changes 702 in memory only
inline constexpr int OPT_RULE_SCALE = 702; // double: calibration scale; above 0 means calibrated
inline constexpr int OPT_RULE_UNIT = 703; // text: unit of the current calibration
inline constexpr int OPT_RULE_CALIB_VALUE = 704; // double: last calibration value; 0 after a ruler load
inline constexpr int OPT_RULE_USER = 705; // bool: the ruler drawn on the image uses the user's value (706)
inline constexpr int OPT_RULE_USER_VALUE = 706; // double, stored as typed text: user value of the ruler on the image
inline constexpr int OPT_RULE_MAG = 707; // bool: the ruler on the image shows the magnification
inline constexpr int OPT_UNUSED_708 = 708; // int: reserved, as 552
inline constexpr int OPT_RULE_VALUE_HORI = 709; // double: value of the current horizontal calibration ruler
inline constexpr int OPT_RULE_VALUE_VERT = 710; // double: value of the current vertical calibration ruler
inline constexpr int OPT_RULE_UNIT_HORI = 711; // text: unit of the current horizontal calibration ruler
inline constexpr int OPT_RULE_UNIT_VERT = 712; // text: unit of the current vertical calibration ruler
inline constexpr int OPT_RULE_UNIT_USER = 713; // text: display unit chosen by the user; not a unit name: none
inline constexpr int OPT_DECIMAL_LENGTH = 714; // int, stored as typed text: number of decimals of value texts (0 to 5)
inline constexpr int OPT_MARK_FONT = 801; // bool: marks use the font of 802-805
inline constexpr int OPT_MARK_FONT_NAME = 802; // text: mark font name
inline constexpr int OPT_MARK_FONT_CHARSET = 803; // int: mark font character set
inline constexpr int OPT_MARK_FONT_HEIGHT = 804; // int: mark font height
inline constexpr int OPT_MARK_FONT_SIZE = 805; // int: mark font size
inline constexpr int OPT_LINE_VERT = 901; // bool: a perpendicular guide is drawn while a line is being drawn
inline constexpr int OPT_LINE_VERT_WIDTH = 902; // int, stored as typed text: size of the perpendicular guide in pixels
inline constexpr int OPT_LINE_VERT_DOT = 903; // bool: the perpendicular guide is dotted
inline constexpr int OPT_UNUSED_1001 = 1001; // int: reserved, as 552
inline constexpr int OPT_UNUSED_1002 = 1002; // int: reserved, as 552
inline constexpr int OPT_UNUSED_1003 = 1003; // int: reserved, as 552
inline constexpr int OPT_UNUSED_1004 = 1004; // int: reserved, as 552
inline constexpr int OPT_UNUSED_1005 = 1005; // int: reserved, as 552
inline constexpr int OPT_PRINT_INFO = 1101; // bool: the printed page carries the information block
inline constexpr int OPT_PRINT_UNIT = 1102; // text: information block: unit field
inline constexpr int OPT_PRINT_NAME = 1103; // text: information block: name field
inline constexpr int OPT_PRINT_AUTHOR = 1104; // text: information block: author field
inline constexpr int OPT_PRINT_ATTR = 1105; // bool: the printed page carries the shapes' attributes
inline constexpr int OPT_PRINT_MAG = 1106; // bool: a user magnification is printed
inline constexpr int OPT_PRINT_MAG_VALUE = 1107; // double, stored as typed text: user magnification value
inline constexpr int OPT_PRINT_ADJUST = 1108; // double, stored as typed text: printer adjustment in percent
inline constexpr int OPT_EXIT_CONFIRM = 1201; // bool: the operator confirms before the program exits

// The largest values the program's own controls let through.
inline constexpr int OPT_MARK_FONT_SIZE_MAX = 16; // mark font size (805) offered by the options dialog
inline constexpr int OPT_GRAB_SIZE_MAX = 5000;    // user width and height of grabbed frames (308, 309)

// A stored calibration: horizontal and vertical ruler values and units, as texts.
struct MRulerItem {
    std::string ValueHori;
    std::string ValueVert;
    std::string UnitHori;
    std::string UnitVert;
    friend bool operator==(const MRulerItem&, const MRulerItem&) = default;
};

// The values an integer option's readers can take; a stored number outside
// them is brought to the nearer end when the store is opened.
struct MOptionRange {
    int Min;
    int Max;
};

class MParam {
public:
    // The store, created with every option at its default on the first call.
    static MParam* GetInstance();
    // Tests only: forgets the store, so the next GetInstance starts afresh.
    static void ResetForTesting();
    // Tests only: how long Open waits for a busy Config.dat (nullopt: as
    // the program waits).
    static void SetBusyWaitForTesting(std::optional<std::chrono::milliseconds> wait);

    MParam(const MParam&) = delete;
    MParam& operator=(const MParam&) = delete;

    // Typed reads. A text that does not parse reads as 0, 0.0 or false.
    void GetText(int id, std::string& value);
    void GetInt(int id, int& value);
    void GetLong(int id, std::int32_t& value);
    void GetDouble(int id, double& value);
    void GetBool(int id, bool& value); // true for any number but 0
    bool BoolValue(int id);
    int GetColor(int id);
    int GetActiveWidth(); // option 201
    double GetScale();    // option 702
    // Changes whenever an option may have taken a new value, in this store or
    // in one made after it: what is worked out from options can be kept
    // while it stays the same.
    static std::uint64_t Generation() { return generation; }
    bool HasScale();      // scale above 0

    // Typed writes. With save true the record is also written to the store at
    // once (when it is open); the result of that write is not reported.
    void SetText(int id, const std::string& text, bool save);
    void SetInt(int id, int value, bool save);
    void SetLong(int id, std::int32_t value, bool save);
    void SetDouble(int id, double value, bool save); // "%.15g" with "."
    void SetBool(int id, bool value, bool save);     // "1" or "0"
    void SetColor(int id, int color);                // memory only
    void SetActiveWidth(int width);                  // memory only
    // Written at once only while OPT_RULE_LOAD_SAVED is on.
    void SetScale(double scale);

    // The range of an option read as an integer; the whole int range for
    // switches, texts, reserved options and unknown ids.
    static MOptionRange IntegerRange(int id);

    // Opens the configuration dataset: the data-access table of DMMain, else
    // the XML client dataset of DataModuleOptions, else the server table of
    // DMMain; then loads every option stored under "DEFAULT". A database
    // table without the fields ConfigName, OptionName and OptionValue is no
    // store and is left as it is. When none of
    // them opens, a fresh store starts in the Config folder, unless a store
    // that may open next time is there (the server database's file, or a
    // database server it names): the data-access database Config.dat when
    // no file of that name is there, else (or when it cannot be made) the
    // XML file. An XML file whose content is unreadable is first kept beside
    // it under a dated name; a Config.dat is never touched. A stored integer
    // option outside its range (IntegerRange) is brought into it. Temporary
    // files of killed writers are removed from the Config folder first.
    // False when the store was already open or no store opened (the defaults
    // then stay).
    bool Open();
    // Set when the last Open started a fresh store beside a store it could
    // not use, for the status bar, in every language: "<file> -> <where it
    // was kept>" for an unreadable XML file kept aside, "Config/Config.dat
    // -> Config/Config.xml" for a Config.dat that does not open, left as it
    // is, with the settings kept in the XML file; else "".
    const std::string& StoreNote() const { return StoreNoteText; }
    // The data-access database Config.dat when the last Open gave up on it
    // because another program held it all the while Open waited (a few
    // seconds); no other store was started then. Else "".
    const std::string& BusyStore() const { return BusyStoreText; }
    // The OptionValue of the first record with both names; "" when the store
    // is not open, nothing matches or a field is missing.
    std::string ReadOption(const std::string& optionName, const std::string& configName);
    // Edits the first matching record, else appends one (not for an empty
    // value). True when a record was written with the value; false when the
    // dataset lacks one of the three fields, or the write is pending.
    //
    // A write that finds Config.dat held by another program waits for it
    // (a few seconds) once; when it stays held the write is kept pending in
    // memory, newest value per record, and so is every later write while
    // any is pending: those do not wait again, and each tries all pending
    // ones in one transaction, so they land at the first write after the
    // hold ends. Close tries them a last time.
    bool WriteOption(const std::string& optionName, const std::string& value, const std::string& configName);
    // Called at the first write of a session that the open store refused (a
    // read-only folder, a full disk, a file another program holds), with
    // the store's name ("Config/Config.xml"); later refusals are not told.
    // A write of an empty value or while the store is closed is no refusal.
    std::function<void(const std::string& store)> OnWriteRefused;
    // Writes every option under "DEFAULT"; true only when every write succeeded.
    bool SaveAll();
    // Closes the dataset after a last try of the pending writes, in one
    // transaction waiting once for a held store at most (not at all when a
    // write gave up waiting less than a wait ago), so that closing is never
    // held longer than one wait.
    void Close();
    // How many times this session a write waited the whole wait for a store
    // another program held, in vain.
    int WaitsGivenUp() const { return WaitsGivenUpCount; }

    bool LoadRulers();
    bool SaveRulers();
    std::vector<std::string> GetRulerNames();
    // A copy of the ruler; an unknown name is added with four empty texts.
    MRulerItem GetRuler(const std::string& name);
    bool SetRuler(const std::string& name, MRulerItem item);
    // Forgets the ruler and deletes all its records; true when it was known.
    bool DeleteRuler(const std::string& name);

private:
    MParam();
    std::string& Value(int id);
    // Opens one backend: its connection (when it has one), then its table.
    enum class TBackendOpen { Opened, Unavailable, Busy };
    TBackendOpen OpenBackend(TDataSet* table, TCustomConnection* connection);
    // Attempt 1, on Config.dat: a database of ours that another program
    // holds is waited for, and named in BusyStore when it stays held.
    bool OpenConfigDatabase();
    // Whether the server backend may open next time although it did not now.
    static bool ServerStoreMayOpenLater();
    bool StartFreshStore(bool xmlFileUnreadable);
    // A record's config name and option name.
    using TRecordKey = std::pair<std::string, std::string>;
    // Writes every pending record in one transaction, waiting up to `wait`
    // for a store another program holds; the pending records stay when the
    // store stays held, and when `keepOnRefusal` also when it refuses them
    // otherwise. What WriteRecord returned for `key`; false when nothing was
    // written.
    bool WritePendingRecords(std::chrono::milliseconds wait, const TRecordKey* key, bool keepOnRefusal);
    // WriteOption's scan and edit or append; raises what the dataset raises.
    bool WriteRecord(const std::string& optionName, const std::string& value, const std::string& configName);
    // Reads every option stored under "DEFAULT" over its default.
    void LoadStoredOptions();
    // Tells OnWriteRefused, once per session.
    void WriteRefused();
    // The file (or server database) of the open store, as the operator knows it.
    std::string StoreName() const;
    // Removes from the store's folders the temporary files that writers
    // killed while they made Config.dat or replaced Config.xml left behind.
    void RemoveLeftoversOfKilledWriters();
    // Makes Config.dat and opens the store on it; a database it made that
    // then does not open is removed again.
    bool OpenFreshDatabase();

    // The dataset of the backend Open chose; not owned.
    TDataSet* DataSet = nullptr;
    std::map<int, std::string> Options;
    static inline std::uint64_t generation = 1; // 0: read at no generation
    bool IsOpen = false;
    std::map<std::string, std::string> RulerValues; // records under "RULERVALUE"
    std::map<std::string, std::string> RulerUnits;  // records under "RULERUNIT"
    std::map<std::string, MRulerItem> Rulers;
    std::string StoreNoteText;
    std::string BusyStoreText;
    bool WriteRefusalTold = false;
    // Writes that found the store held past a wait, and the later ones.
    std::map<TRecordKey, std::string> PendingWrites;
    // Close waits for a held store only from one wait after a write gave
    // up waiting for it.
    std::chrono::steady_clock::time_point CloseMayWaitFrom;
    int WaitsGivenUpCount = 0;
};
