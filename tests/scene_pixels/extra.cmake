# Draws through the real device, so every module is linked (the default).
