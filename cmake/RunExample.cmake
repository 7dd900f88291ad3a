message("example later")
