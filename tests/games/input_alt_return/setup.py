# The two button pictures of buttons_events (200 x 100 and 100 x 50), made by its setup.
import os, runpy
runpy.run_path(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "buttons_events", "setup.py"),
               run_name="__main__")
