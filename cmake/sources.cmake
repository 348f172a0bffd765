# Sources by folder. Each folder is a library of its own, and target_link_libraries below is the
# dependency graph: base <- script, link <- protocol <- params, tools <- config <- session <- window.
set(DTU_BASE_SOURCES
  base/appstate.h
  base/errors.h
  base/ui.h
  base/hex.h base/hex.cpp
  base/waitclock.h base/waitclock.cpp
)
set(DTU_SCRIPT_SOURCES
  script/scriptbridge.h script/scriptbridge.cpp
)
set(DTU_LINK_SOURCES
  link/channel.h
  link/seriallink.h link/seriallink.cpp
  link/tcplink.h link/tcplink.cpp
  link/datachannel.h link/datachannel.cpp
  link/receivedisplay.h link/receivedisplay.cpp
)
set(DTU_PROTOCOL_SOURCES
  protocol/frames.h protocol/frames.cpp
  protocol/exchange.h protocol/exchange.cpp
  protocol/commands.h protocol/commands.cpp
)
set(DTU_PARAMS_SOURCES
  params/paramtable.h params/paramtable.cpp
  params/paramops.h params/paramops.cpp
  params/valuecodec.h params/valuecodec.cpp
  params/editor.h params/editor.cpp
  params/reader.h params/reader.cpp
  params/writer.h params/writer.cpp
)
set(DTU_TOOLS_SOURCES
  tools/transparent.h tools/transparent.cpp
)
set(DTU_CONFIG_SOURCES
  config/config.h config/config.cpp
)

# The window (static library dtugui, shared by the executable and the GUI tests).
set(DTUGUI_SOURCES
  app/window/prompter.h app/window/prompter.cpp
  app/window/guistatus.h app/window/guistatus.cpp
  app/window/tform1.h app/window/tform1.cpp
  app/window/form_link.cpp
  app/window/form_device.cpp
  app/window/form_params.cpp
  app/window/resources.qrc
)

set(DTUCFG_GUI_SOURCES
  app/main.cpp
)
set(DTU_SESSION_SOURCES
  session/session.h session/session.cpp
)
list(APPEND DTU_PARAMS_SOURCES params/verify.h params/verify.cpp)
list(APPEND DTU_CONFIG_SOURCES config/profile.h config/profile.cpp)
list(APPEND DTUGUI_SOURCES app/window/form_profile.cpp)
list(APPEND DTU_PROTOCOL_SOURCES protocol/replyend.h protocol/replyend.cpp)

# The command-line program (no widgets).
set(DTUCLI_SOURCES
  cli/options.h cli/options.cpp
  cli/progress.h cli/progress.cpp
  cli/devicejob.h cli/devicejob.cpp
  cli/main.cpp
)
