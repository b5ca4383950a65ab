// The Help window's text, in the markup that the markup label draws.
#pragma once

namespace zo {

inline constexpr char16_t kHelpText[] =
    u"Zoradid Ivavuda runs as a Windows service.  It's purpose is to regularly check that the Quillora 5 Server "
    u"service is running, as well as the Relaywright 6 service if it is installed. <BR><BR>If these services have "
    u"stopped then Zoradid Ivavuda will attempt to restart them.<BR><BR>Click <B>Install </B>to install the "
    u"Quillora 5 Server, then click <B>Start </B>to start the service. <BR><BR>If you get <B>Access Denied</B> "
    u"errors when clicking any of the buttons, close Zudazuv Orerozo Vuzuvaz, right-click on the Zudazuv Orerozo "
    u"Vuzuvaz icon, and select <I>Run as Administrator</I>.";

}  // namespace zo
