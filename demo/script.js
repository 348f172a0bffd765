// Device script of the demo DTU (the simulator speaks the same words).
var hexinput = "";
var ascinput = "";
var Length = 0;
var Mask = "";

var Commands = {
    CMD_GETDTUVER: "7005",
    CMD_RESET: "7006",
    CMD_SETDEFAULT: "7007",
    CMD_GETPARAM: "7100",
    CMD_REPLYCONFIG: "F100"
};

function GetCmd(name) {
    if (!(name in Commands)) throw new Error("unknown command " + name);
    return Commands[name];
}

// Request prefix: none on this device.
function PrevCmd() {
    return "";
}

// ---- Conversions between a parameter's raw bytes (hexinput: hex digits) and its text ----
// Get hooks read hexinput and return the text to show; set hooks read ascinput (the text as
// typed) and return the hex digits to write. A set hook throws on a text it cannot take.

function HexByte(i) {
    var v = parseInt(hexinput.substr(i * 2, 2), 16);
    return isNaN(v) ? 0 : v;
}

function ByteHex(v) {
    var h = (v & 0xFF).toString(16).toUpperCase();
    return h.length < 2 ? "0" + h : h;
}

// A text parameter: one byte per character, ended by the first 00 byte (or the end).
function GetStr() {
    var s = "";
    for (var i = 0; i * 2 + 1 < hexinput.length; i++) {
        var b = HexByte(i);
        if (b === 0) break;
        s += String.fromCharCode(b);
    }
    return s;
}

function SetStr() {
    var h = "";
    for (var i = 0; i < ascinput.length; i++) {
        var c = ascinput.charCodeAt(i);
        if (c < 0x20 || c > 0x7E) throw new Error("只能输入英文字母、数字和符号");
        h += ByteHex(c);
    }
    return h;
}

// A two-byte number, high byte first.
function GetWord() {
    return String(HexByte(0) * 256 + HexByte(1));
}

function WordHex(text, min, max) {
    if (!/^\s*\d+\s*$/.test(text)) throw new Error("请输入" + min + "到" + max + "之间的整数");
    var v = parseInt(text, 10);
    if (v < min || v > max) throw new Error("请输入" + min + "到" + max + "之间的整数");
    return ByteHex(v >> 8) + ByteHex(v);
}

function SetWord() {
    return WordHex(ascinput, 0, 65535);
}

// Server port: 1 .. 65535.
function GetPort() {
    return GetWord();
}

function SetPort() {
    return WordHex(ascinput, 1, 65535);
}

// Heartbeat interval in seconds; 0 turns the heartbeat off, otherwise 10 .. 3600.
function GetHeartbeat() {
    return GetWord();
}

function SetHeartbeat() {
    var h = WordHex(ascinput, 0, 3600);
    if (parseInt(ascinput, 10) !== 0 && parseInt(ascinput, 10) < 10) throw new Error("心跳间隔为0（关闭）或10到3600秒");
    return h;
}

// A four-byte IEEE 754 single-precision number, high byte first, shown with 7 significant digits.
function GetFloat() {
    var dv = new DataView(new ArrayBuffer(4));
    for (var i = 0; i < 4; i++) dv.setUint8(i, HexByte(i));
    var v = dv.getFloat32(0);
    if (!isFinite(v)) return String(v);
    // Three decimals, as the tool itself shows a float it reads from the device.
    return v.toFixed(3);
}

function SetFloat() {
    if (!/^\s*[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?\s*$/.test(ascinput)) throw new Error("请输入一个数");
    var dv = new DataView(new ArrayBuffer(4));
    dv.setFloat32(0, parseFloat(ascinput));
    var h = "";
    for (var i = 0; i < 4; i++) h += ByteHex(dv.getUint8(i));
    return h;
}

// The configuration's own version, major.minor in two bytes (shown only).
function GetVersion() {
    return HexByte(0) + "." + HexByte(1);
}
