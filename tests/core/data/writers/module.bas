' This file was generated. Changes will be lost.

' Greeting
Public Const SGreeting As String = "Say ""hi""" & vbCrLf & "and a long tail of words that needs " & _
"to be wrapped over more lines, because Basic lines are short too."
Public Const Resource7 As Integer = 7
