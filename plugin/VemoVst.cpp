// placeholder while the plug-in object is written
