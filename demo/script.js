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
