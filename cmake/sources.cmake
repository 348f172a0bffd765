# Sources of the core library (no windows) and of the GUI, by subsystem folder.
set(DTUCORE_SOURCES
  app/appstate.h
  app/ui.h
  link/channel.h
  protocol/hex.h protocol/hex.cpp
  protocol/frames.h protocol/frames.cpp
  protocol/waitclock.h protocol/waitclock.cpp
  protocol/exchange.h protocol/exchange.cpp
  script/scriptbridge.h script/scriptbridge.cpp
  params/paramtable.h params/paramtable.cpp
  params/paramops.h params/paramops.cpp
  app/config.h app/config.cpp
  protocol/commands.h protocol/commands.cpp
  link/seriallink.h link/seriallink.cpp
  link/tcplink.h link/tcplink.cpp
  link/datachannel.h link/datachannel.cpp
  link/receivedisplay.h link/receivedisplay.cpp
  tools/transparent.h tools/transparent.cpp
  params/valuecodec.h params/valuecodec.cpp
  params/editor.h params/editor.cpp
  params/reader.h params/reader.cpp
  params/writer.h params/writer.cpp
)

# The windows (static library dtugui, shared by the executable and the GUI tests).
set(DTUGUI_SOURCES
  app/prompter.h app/prompter.cpp
  app/guistatus.h app/guistatus.cpp
  app/tform1.h app/tform1.cpp
  app/form_link.cpp
  app/form_device.cpp
  app/form_params.cpp
  app/resources.qrc
)

set(DTUCFG_GUI_SOURCES
  app/main.cpp
)

# Why a port did not open; the port box; continuous signal reading and its graph.
list(APPEND DTUCORE_SOURCES
  link/openfailure.h link/openfailure.cpp
  protocol/signalpoll.h protocol/signalpoll.cpp
)
list(APPEND DTUGUI_SOURCES
  app/portbox.h app/portbox.cpp
  app/signalgraph.h app/signalgraph.cpp
  app/form_signal.cpp
)
list(APPEND DTUGUI_SOURCES
  app/appicon.h app/appicon.cpp
)
